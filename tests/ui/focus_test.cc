// Where the keyboard focus goes when the focused control goes away, and
// where Tab goes from a row, without a display: a list of rows with buttons
// in the way the download list has them.
#include <gtest/gtest.h>

#include <string>

#include "platform/keyboard.h"
#include "ui/ui_lib.h"

namespace {

class FocusRules : public ::testing::Test {
 protected:
  void SetUp() override {
    CDialogBuilder builder;
    pm_.AttachDialog(builder.CreateFromString(R"(<Window><VerticalLayout>
          <Button name="top" text="顶部" />
          <List name="list" />
          <Button name="bottom" text="底部" />
        </VerticalLayout></Window>)",
                                              &pm_));
    list_ = static_cast<CContainerUI*>(pm_.FindControl(L"list"));
    for (int i = 0; i < 3; ++i) AddRow(i);
    pm_.SetClientSize(400, 400);
    pm_.UpdateLayout();
  }

  // A row: a label, then a line with 取消 and 重试 (重试 hidden), as a
  // running download has them.
  void AddRow(int i) {
    auto* row = new CListContainerElementUI;
    row->ApplyAttributeList(L"height=\"40\"");
    row->SetName((L"row" + std::to_wstring(i)).c_str());
    auto* line = new CHorizontalLayoutUI;
    row->Add(line);
    auto* label = new CLabelUI;
    label->SetText(L"a.pdf");
    line->Add(label);
    auto* cancel = new CButtonUI;
    cancel->SetName((L"cancel" + std::to_wstring(i)).c_str());
    line->Add(cancel);
    auto* retry = new CButtonUI;
    retry->SetName((L"retry" + std::to_wstring(i)).c_str());
    retry->SetVisible(false);
    line->Add(retry);
    list_->Add(row);
  }

  CControlUI* Find(const std::wstring& name) { return pm_.FindControl(name.c_str()); }
  std::wstring Focused() { return pm_.GetFocus() ? pm_.GetFocus()->GetName().str() : L""; }
  void Relayout() {
    pm_.UpdateLayout();
    pm_.KeepFocus();
  }

  CPaintManagerUI pm_;
  CContainerUI* list_ = nullptr;
};

TEST_F(FocusRules, AHiddenButtonGivesTheFocusToItsReplacementThenToItsRow) {
  pm_.SetFocus(Find(L"cancel1"));
  // 取消 turns into 重试 (shown first, as the row does it, or after).
  Find(L"cancel1")->SetVisible(false);
  Find(L"retry1")->SetVisible(true);
  Relayout();
  EXPECT_EQ(Focused(), L"retry1");
  Find(L"cancel1")->SetVisible(true);
  Find(L"retry1")->SetVisible(false);
  Relayout();
  EXPECT_EQ(Focused(), L"cancel1");
  // A row left without buttons (a job being stopped) holds the focus itself
  // until a button comes, and Tab and Shift+Tab go on from its place.
  Find(L"cancel1")->SetVisible(false);
  Relayout();
  EXPECT_EQ(Focused(), L"row1");
  Find(L"retry1")->SetVisible(true);
  Relayout();
  EXPECT_EQ(Focused(), L"retry1");
  Find(L"retry1")->SetVisible(false);
  Relayout();
  EXPECT_EQ(Focused(), L"row1");
  platform::KeyStateScope none(0);
  EXPECT_TRUE(pm_.SetNextTabControl(true));
  EXPECT_EQ(Focused(), L"cancel2");
  pm_.SetFocus(Find(L"row1"));
  EXPECT_TRUE(pm_.SetNextTabControl(false));
  EXPECT_EQ(Focused(), L"cancel0");
  // A disabled button gives the focus on as well.
  Find(L"bottom")->SetFocus();
  Find(L"bottom")->SetEnabled(false);
  pm_.KeepFocus();
  EXPECT_EQ(Focused(), L"cancel2");
}

TEST_F(FocusRules, ADeletedRowGivesTheFocusToTheRowInItsPlaceAndLastToTheList) {
  pm_.SetFocus(Find(L"cancel1"));
  list_->RemoveAt(1);
  EXPECT_EQ(pm_.GetFocus(), nullptr);  // until the loop comes round
  Relayout();
  EXPECT_EQ(Focused(), L"cancel2");
  list_->RemoveAt(1);  // the last row: the one before it
  Relayout();
  EXPECT_EQ(Focused(), L"cancel0");
  Find(L"cancel0")->SetVisible(false);
  Relayout();
  EXPECT_EQ(Focused(), L"row0");
  list_->RemoveAll();
  Relayout();
  EXPECT_EQ(Focused(), L"list");
  // The focus never stays on something gone: the whole tree replaced.
  CDialogBuilder builder;
  pm_.AttachDialog(builder.CreateFromString("<Window><Button name=\"only\" /></Window>", &pm_));
  Relayout();
  EXPECT_EQ(pm_.GetFocus(), nullptr);
}

TEST_F(FocusRules, OutsideAListTheNearestControlOfTheOrderTakesOver) {
  pm_.SetFocus(Find(L"top"));
  Find(L"top")->SetVisible(false);
  Relayout();
  EXPECT_EQ(Focused(), L"cancel0");
  pm_.SetFocus(Find(L"bottom"));
  Find(L"bottom")->SetVisible(false);
  Relayout();
  EXPECT_EQ(Focused(), L"cancel2");
}

}  // namespace
