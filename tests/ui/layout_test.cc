// Layout arithmetic: fixed and flexible sizes, limits, insets, child
// padding, hidden and floating children, scrolling.
#include <cairo.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/ui_lib.h"

namespace {

void ExpectRect(const RECT& rc, int l, int t, int r, int b) {
  EXPECT_EQ(rc.left, l);
  EXPECT_EQ(rc.top, t);
  EXPECT_EQ(rc.right, r);
  EXPECT_EQ(rc.bottom, b);
}

TEST(Axis, FixedFlexibleAndLimits) {
  std::vector<ui::AxisItem> items = {{30, 0, 9999, 0}, {0, 0, 9999, 0}, {0, 0, 9999, 0}};
  ui::DistributeAxis(items, 101);
  EXPECT_EQ(items[0].size, 30);
  EXPECT_EQ(items[1].size, 35);
  EXPECT_EQ(items[2].size, 36);  // the remainder goes to the last flexible item

  // A flexible item held by its maximum gives the rest to the others.
  items = {{0, 0, 7, 0}, {0, 0, 9999, 0}};
  ui::DistributeAxis(items, 35);
  EXPECT_EQ(items[0].size, 7);
  EXPECT_EQ(items[1].size, 28);

  // Minimums win over a too small room; nothing becomes negative.
  items = {{50, 0, 9999, 0}, {0, 20, 9999, 0}, {0, 0, 9999, 0}};
  ui::DistributeAxis(items, 40);
  EXPECT_EQ(items[0].size, 50);
  EXPECT_EQ(items[1].size, 20);
  EXPECT_EQ(items[2].size, 0);

  // A fixed size is clamped by its own limits.
  items = {{300, 0, 120, 0}};
  ui::DistributeAxis(items, 500);
  EXPECT_EQ(items[0].size, 120);
}

TEST(VerticalLayout, InsetPaddingFixedFlexibleHiddenFloat) {
  CVerticalLayoutUI root;
  root.ApplyAttributeList(L"inset=\"10,20,10,20\" childpadding=\"5\"");
  auto* top = new CControlUI;
  top->SetFixedHeight(24);
  auto* hidden = new CControlUI;
  hidden->SetFixedHeight(50);
  hidden->SetVisible(false);
  auto* middle = new CControlUI;  // flexible
  auto* floating = new CControlUI;
  floating->ApplyAttributeList(L"float=\"true\" pos=\"3,4,33,14\"");
  auto* narrow = new CControlUI;
  narrow->ApplyAttributeList(L"height=\"10\" width=\"40\" padding=\"2,3,0,1\"");
  for (CControlUI* c : {static_cast<CControlUI*>(top), hidden, middle, floating, narrow})
    root.Add(c);
  root.SetPos({0, 0, 200, 300});
  ExpectRect(top->GetPos(), 10, 20, 190, 44);
  // 260 inner - 24 - 10 - 4 (padding) - 2*5 (two gaps: hidden and floating take none)
  ExpectRect(middle->GetPos(), 10, 49, 190, 49 + 212);
  ExpectRect(narrow->GetPos(), 12, 49 + 212 + 5 + 3, 52, 49 + 212 + 5 + 3 + 10);
  ExpectRect(floating->GetPos(), 3, 4, 33, 14);

  // Showing the hidden child takes its room from the flexible one.
  hidden->SetVisible(true);
  root.SetPos({0, 0, 200, 300});
  EXPECT_EQ(middle->GetHeight(), 212 - 50 - 5);
}

TEST(HorizontalLayout, TheDownloadRowGeometry) {
  // The row the download list builds: height 45, inset 3,5,3,5, padding 10,
  // a 32-wide icon at most 26 high, a flexible middle and two hidden areas.
  CListContainerElementUI row;
  row.ApplyAttributeList(L"height=\"45\"");
  auto* layout = new CHorizontalLayoutUI;
  layout->ApplyAttributeList(L"float=\"false\" childpadding=\"10\" inset=\"3,5,3,5\"");
  row.Add(layout);
  auto* icon = new CLabelUI;
  icon->ApplyAttributeList(
      L"name=\"down_ico\" float=\"false\" bordersize=\"0\" width=\"32\" maxheight=\"26\"");
  auto* middle = new CVerticalLayoutUI;
  auto* title = new CLabelUI;
  auto* bar = new CProgressUI;
  bar->SetMaxWidth(300);
  bar->SetMaxHeight(7);
  middle->Add(title);
  middle->Add(bar);
  auto* downloading = new CVerticalLayoutUI;
  downloading->ApplyAttributeList(L"width=\"200\"");
  downloading->SetVisible(false);
  layout->Add(icon);
  layout->Add(middle);
  layout->Add(downloading);
  row.SetPos({0, 100, 600, 145});
  ExpectRect(icon->GetPos(), 3, 100 + 5 + 4, 35,
             100 + 5 + 4 + 26);  // centred in the 35 inner pixels
  ExpectRect(middle->GetPos(), 45, 105, 597, 140);
  ExpectRect(bar->GetPos(), 45, 133, 345, 140);
  ExpectRect(title->GetPos(), 45, 105, 597, 133);

  downloading->SetVisible(true);
  row.SetPos({0, 100, 600, 145});
  EXPECT_EQ(middle->GetWidth(), 600 - 6 - 32 - 200 - 20);
  ExpectRect(downloading->GetPos(), 397, 105, 597, 140);
}

TEST(List, RowsStackAtTheirHeightsAndTheListScrolls) {
  CPaintManagerUI pm;
  auto* list = new CListUI;
  pm.AttachDialog(list);
  for (int i = 0; i < 10; ++i) {
    auto* row = new CListContainerElementUI;
    row->SetFixedHeight(45);
    list->Add(row);
  }
  pm.SetClientSize(300, 200);
  pm.UpdateLayout();
  EXPECT_EQ(list->GetItemAt(1)->GetPos().top, 45);
  EXPECT_EQ(list->GetScrollRange(), 450 - 200);
  pm.Scroll({10, 10}, 1);
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollPos(), 40);
  EXPECT_EQ(list->GetItemAt(0)->GetPos().top, -40);
  for (int i = 0; i < 20; ++i) pm.Scroll({10, 10}, 1);
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollPos(), 250);
  // Hit testing follows the scrolled rows.
  EXPECT_EQ(pm.FindControl(POINT{10, 199}), list->GetItemAt(9));
  // The rows leave the scroll bar its strip at the right edge.
  EXPECT_EQ(list->GetItemAt(0)->GetWidth(), 300 - CVerticalLayoutUI::kScrollBarRoom);

  // A row asked to be shown is scrolled to, just far enough.
  list->EnsureVisible(list->GetItemAt(0));
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollPos(), 0);
  list->EnsureVisible(list->GetItemAt(5));
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollPos(), 6 * 45 - 200);
  EXPECT_EQ(list->GetItemAt(5)->GetPos().bottom, 200);
  // So is a row whose button takes the keyboard.
  auto* button = new CButtonUI;
  static_cast<CContainerUI*>(list->GetItemAt(8))->Add(button);
  pm.SetFocus(button);
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollPos(), 9 * 45 - 200);
  // A place asked for afterwards wins.
  list->EnsureVisible(list->GetItemAt(9));
  list->SetScrollPos(0);
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollPos(), 0);

  // Rows that fit take the whole width.
  while (list->GetCount() > 4) list->RemoveAt(list->GetCount() - 1);
  pm.UpdateLayout();
  EXPECT_EQ(list->GetScrollRange(), 0);
  EXPECT_EQ(list->GetItemAt(0)->GetWidth(), 300);
}

// A row that counts the times it is asked to draw, and those it draws.
class CountedRow : public CControlUI {
 public:
  void DoPaint(_cairo* cr, const RECT& paint) override {
    ++asked;
    if (GetPos().bottom > paint.top && GetPos().top < paint.bottom) ++drawn;
    CControlUI::DoPaint(cr, paint);
  }
  int asked = 0;
  int drawn = 0;
};

TEST(List, ARedrawnRowAsksOnlyTheRowsInItsArea) {
  CPaintManagerUI pm;
  auto* list = new CListUI;
  pm.AttachDialog(list);
  std::vector<CountedRow*> rows;
  for (int i = 0; i < 1000; ++i) {
    rows.push_back(new CountedRow);
    rows.back()->SetFixedHeight(20);
    list->Add(rows.back());
  }
  pm.SetClientSize(300, 200);
  pm.UpdateLayout();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 200);
  cairo_t* cr = cairo_create(surface);
  // Draws area; says how many rows were asked and which were drawn.
  auto paint = [&](RECT area) {
    for (CountedRow* row : rows) {
      if (row != nullptr) row->asked = row->drawn = 0;
    }
    list->DoPaint(cr, area);
    int asked = 0;
    std::vector<int> drawn;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i] == nullptr) continue;
      asked += rows[i]->asked;
      if (rows[i]->drawn > 0) drawn.push_back(static_cast<int>(i));
    }
    return std::make_pair(asked, drawn);
  };
  EXPECT_EQ(paint({0, 40, 300, 60}), std::make_pair(1, std::vector<int>{2}));
  EXPECT_EQ(paint({0, 30, 300, 50}), std::make_pair(2, std::vector<int>{1, 2}));
  list->SetScrollPos(400);
  pm.UpdateLayout();
  EXPECT_EQ(paint({0, 0, 300, 20}), std::make_pair(1, std::vector<int>{20}));
  // Rows hidden and taken out leave their place to the next.
  rows[21]->SetVisible(false);
  list->RemoveAt(22);
  rows[22] = nullptr;
  pm.UpdateLayout();
  EXPECT_EQ(paint({0, 0, 300, 40}), std::make_pair(2, std::vector<int>{20, 23}));
  // A floating child may lie anywhere: every child is asked again.
  rows.push_back(new CountedRow);
  rows.back()->ApplyAttributeList(L"float=\"true\" pos=\"0,0,10,10\"");
  list->Add(rows.back());
  pm.UpdateLayout();
  const auto [asked, drawn] = paint({0, 0, 300, 20});
  EXPECT_GT(asked, 900);
  EXPECT_EQ(drawn, (std::vector<int>{20, 1000}));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

TEST(Progress, FilledWidthFollowsValueInItsRange) {
  CProgressUI bar;
  bar.SetMinValue(0);
  bar.SetMaxValue(100);
  bar.SetValue(50);
  EXPECT_EQ(bar.FilledWidth(300), 150);
  bar.SetValue(150);
  EXPECT_EQ(bar.FilledWidth(300), 300);
  bar.SetValue(-5);
  EXPECT_EQ(bar.FilledWidth(300), 0);
  bar.SetMaxValue(0);
  EXPECT_EQ(bar.FilledWidth(300), 0);
}

}  // namespace
