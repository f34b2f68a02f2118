// Skin parsing, attribute values, notifications and control lookup: the
// toolkit's logic that needs no display.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/main_thread.h"
#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/render_engine.h"
#include "ui/ui_lib.h"

namespace {

const std::wstring kSkinDir = platform::Utf8ToWide(QUORBITAL_SOURCE_DIR "/Skin/");

template <class T>
T* As(CControlUI* c, const wchar_t* kind) {
  return c ? static_cast<T*>(c->GetInterface(kind)) : nullptr;
}

TEST(SkinParsing, WindowSettingsFontsDefaultsAndNesting) {
  CPaintManagerUI pm;
  CDialogBuilder builder;
  CControlUI* root = builder.CreateFromString(R"(<?xml version="1.0" encoding="utf-8"?>
    <Window size="640,480" mininfo="300,200" caption="0,0,0,32" sizebox="4,5,6,7" bkcolor="#FF102030">
      <Font id="3" name="Serif" size="17" bold="true"/>
      <Default name="Button" value="height=&quot;30&quot; textcolor=&quot;#FF112233&quot;"/>
      <VerticalLayout name="root" inset="1,2,3,4" childpadding="5">
        <Label name="title" text="标题 &amp; more" textcolor="#80FF0000" font="3" unknownattr="x"/>
        <Button name="ok" textcolor="#FF445566"/>
        <HorizontalLayout name="row" visible="false">
          <Progress name="bar" min="10" max="20" value="15"/>
        </HorizontalLayout>
        <Widget name="odd"><Label name="inside_odd"/></Widget>
      </VerticalLayout>
    </Window>)",
                                              &pm);
  ASSERT_NE(root, nullptr) << platform::WideToUtf8(builder.GetLastErrorText());
  pm.AttachDialog(root);
  EXPECT_EQ(pm.GetInitSize().cx, 640);
  EXPECT_EQ(pm.GetInitSize().cy, 480);
  EXPECT_EQ(pm.GetMinInfo().cx, 300);
  EXPECT_EQ(pm.GetCaptionRect().bottom, 32);
  EXPECT_EQ(pm.GetSizeBox().bottom, 7);
  EXPECT_EQ(pm.GetBkColor(), 0xFF102030u);
  EXPECT_EQ(pm.GetFont(3).family, L"Serif");
  EXPECT_TRUE(pm.GetFont(3).bold);
  EXPECT_EQ(pm.GetFont(99).family, pm.GetFont(-1).family);

  auto* layout = As<CVerticalLayoutUI>(pm.FindControl(L"root"), L"VerticalLayout");
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(layout->GetInset().top, 2);
  EXPECT_EQ(layout->GetChildPadding(), 5);
  EXPECT_EQ(layout->GetCount(), 4);

  CControlUI* title = pm.FindControl(L"title");
  ASSERT_NE(As<CLabelUI>(title, L"Label"), nullptr);
  EXPECT_EQ(title->GetText(), L"标题 & more");
  EXPECT_EQ(title->GetTextColor(), 0x80FF0000u);
  EXPECT_EQ(title->GetFont(), 3);
  EXPECT_EQ(title->GetParent(), layout);

  // The class's default list comes first, the element's own attributes win.
  CControlUI* ok = pm.FindControl(L"ok");
  ASSERT_NE(As<CButtonUI>(ok, L"Button"), nullptr);
  EXPECT_EQ(ok->GetFixedHeight(), 30);
  EXPECT_EQ(ok->GetTextColor(), 0xFF445566u);

  CControlUI* row = pm.FindControl(L"row");
  ASSERT_NE(row, nullptr);
  EXPECT_FALSE(row->IsVisible());
  auto* bar = As<CProgressUI>(pm.FindControl(L"bar"), L"Progress");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetMinValue(), 10);
  EXPECT_EQ(bar->GetMaxValue(), 20);
  EXPECT_EQ(bar->GetValue(), 15);
  EXPECT_EQ(bar->GetParent(), row);

  // An unknown element keeps its children.
  CControlUI* odd = pm.FindControl(L"odd");
  ASSERT_NE(As<CContainerUI>(odd, L"Container"), nullptr);
  EXPECT_EQ(pm.FindControl(L"inside_odd")->GetParent(), odd);
}

TEST(SkinParsing, MissingUnreadableAndMalformedSkinsYieldNoTree) {
  CPaintManagerUI pm;
  CDialogBuilder builder;
  EXPECT_EQ(builder.Create(kSkinDir + L"NoSuchSkin.xml", &pm), nullptr);
  EXPECT_NE(builder.GetLastErrorText().find(L"cannot read"), std::wstring::npos);

  EXPECT_EQ(builder.Create(kSkinDir, &pm), nullptr);  // a directory
  EXPECT_FALSE(builder.GetLastErrorText().empty());

  EXPECT_EQ(
      builder.CreateFromString("<Window><VerticalLayout><Label></VerticalLayout></Window>", &pm),
      nullptr);
  EXPECT_NE(builder.GetLastErrorText().find(L"malformed"), std::wstring::npos);
  EXPECT_EQ(builder.CreateFromString("", &pm), nullptr);
  EXPECT_EQ(builder.CreateFromString("<Window size=\"1,1\"/>", &pm), nullptr);
  EXPECT_NE(builder.GetLastErrorText().find(L"no controls"), std::wstring::npos);

  // Absurd nesting is cut off, not followed until the stack ends.
  std::string deep = "<Window>";
  for (int i = 0; i < 5000; ++i) deep += "<VerticalLayout>";
  for (int i = 0; i < 5000; ++i) deep += "</VerticalLayout>";
  deep += "</Window>";
  CControlUI* root = builder.CreateFromString(deep, &pm);
  ASSERT_NE(root, nullptr);
  delete root;
}

TEST(SkinParsing, TheClientsSkinsHaveTheControlsItsWindowsUse) {
  struct Want {
    const wchar_t* file;
    std::vector<const wchar_t*> names;
  };
  const Want wants[] = {
      {L"MainWnd.xml", {L"btn_close"}},
      {L"DownloadWnd.xml",
       {L"btn_close", L"down_list_tab", L"closebtn", L"minbtn", L"maxbtn", L"restorebtn"}},
      {L"UpdateWnd.xml", {L"update_status", L"progress", L"start", L"btn_close"}},
  };
  for (const Want& want : wants) {
    CPaintManagerUI pm;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(kSkinDir + want.file, &pm);
    ASSERT_NE(root, nullptr) << platform::WideToUtf8(builder.GetLastErrorText());
    pm.AttachDialog(root);
    for (const wchar_t* name : want.names)
      EXPECT_NE(pm.FindControl(name), nullptr) << platform::WideToUtf8(name);
  }
  CPaintManagerUI main;
  CDialogBuilder builder;
  main.AttachDialog(builder.Create(kSkinDir + L"MainWnd.xml", &main));
  EXPECT_EQ(main.GetCaptionRect().bottom, 24);
  main.SetClientSize(1000, 700);
  main.UpdateLayout();
  RECT close = main.FindControl(L"btn_close")->GetPos();
  EXPECT_EQ(close.top, 0);
  EXPECT_EQ(close.bottom, 24);
  EXPECT_EQ(close.right, 1000);

  CPaintManagerUI update;
  update.AttachDialog(builder.Create(kSkinDir + L"UpdateWnd.xml", &update));
  auto* progress = As<CProgressUI>(update.FindControl(L"progress"), L"Progress");
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->GetMinValue(), 0);
  EXPECT_EQ(progress->GetMaxValue(), 100);
  EXPECT_FALSE(update.FindControl(L"start")->IsVisible());

  CPaintManagerUI down;
  down.AttachDialog(builder.Create(kSkinDir + L"DownloadWnd.xml", &down));
  EXPECT_NE(down.FindControl(L"down_list_tab")->GetInterface(L"List"), nullptr);
}

TEST(Attributes, ValuesAndLists) {
  std::uint32_t color = 7;
  EXPECT_TRUE(ui::ParseColor(L"#FFAAAAAA", &color));
  EXPECT_EQ(color, 0xFFAAAAAAu);
  EXPECT_TRUE(ui::ParseColor(L"#123456", &color));
  EXPECT_EQ(color, 0xFF123456u);
  EXPECT_TRUE(ui::ParseColor(L"0x80000000", &color));
  EXPECT_EQ(color, 0x80000000u);
  for (const wchar_t* bad : {L"", L"#", L"#12345", L"#GGGGGG", L"red", L"#1234567890"}) {
    color = 7;
    EXPECT_FALSE(ui::ParseColor(bad, &color)) << platform::WideToUtf8(bad);
    EXPECT_EQ(color, 7u);
  }
  RECT rc = ui::ParseRect(L"3,5,x,9");
  EXPECT_EQ(rc.left, 3);
  EXPECT_EQ(rc.top, 5);
  EXPECT_EQ(rc.right, 0);
  EXPECT_EQ(rc.bottom, 9);
  EXPECT_EQ(ui::ParseRect(L"7").left, 7);
  EXPECT_EQ(ui::ParseInt(L"99999999999"), 1000000);

  auto list = ui::ParseAttributeList(L" a=\"1\" b='two words'  c = \"x\" d=broken e=\"5\"");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[1].second, L"two words");
  EXPECT_EQ(list[2].first, L"c");
  EXPECT_TRUE(ui::ParseAttributeList(L"a=\"unterminated").empty());

  ui::ImageSpec image =
      ui::ParseImageSpec(L"file='a.png' dest='1,2,3,4' corner='4,0,4,0' fade='300'");
  EXPECT_EQ(image.file, L"a.png");
  EXPECT_TRUE(image.has_dest);
  EXPECT_EQ(image.corner.left, 4);
  EXPECT_EQ(image.fade, 255);
  EXPECT_EQ(ui::ParseImageSpec(L"downlist_app.png").file, L"downlist_app.png");
}

TEST(Attributes, ApplyAttributeListAppliesInOrderAndIgnoresUnknown) {
  CLabelUI label;
  label.ApplyAttributeList(
      L"name=\"size\" align=\"right\" align=\"center\" text=\"\" textcolor=\"#FFAAAAAA\" "
      L"showhtml=\"true\" nonsense=\"1\" width=\"200\"");
  EXPECT_EQ(label.GetName(), L"size");
  EXPECT_EQ(label.GetTextStyle() & (DT_CENTER | DT_RIGHT), DT_CENTER);
  EXPECT_TRUE(label.IsShowHtml());
  EXPECT_EQ(label.GetTextColor(), 0xFFAAAAAAu);
  EXPECT_EQ(label.GetFixedWidth(), 200);
  label.ApplyAttributeList(
      L"align=\"left\" visible=\"false\" maxheight=\"26\" bordersize=\"0\" float=\"false\"");
  EXPECT_EQ(label.GetTextStyle() & (DT_CENTER | DT_RIGHT), 0u);
  EXPECT_FALSE(label.IsVisible());
  EXPECT_EQ(label.GetMaxHeight(), 26);
  EXPECT_FALSE(label.IsFloat());
}

TEST(Html, TagsBecomeMarkupAndTextIsEscaped) {
  EXPECT_EQ(ui::render::HtmlToMarkup(L"<b>打开文件</b> "), "<b>打开文件</b> ");
  EXPECT_EQ(ui::render::HtmlToMarkup(L"a & b < c"), "a &amp; b &lt; c");
  EXPECT_EQ(ui::render::HtmlToMarkup(L"<b><i>x</b>y"), "<b><i>x</i></b>y");
  EXPECT_EQ(ui::render::HtmlToMarkup(L"</b>x<u>"), "x<u></u>");
  EXPECT_EQ(ui::render::HtmlToMarkup(L"<c #FFFF0000>red</c><n><a href='x'>link</a>"),
            "<span foreground=\"#FF0000\">red</span>\nlink");
}

TEST(DuiString, FormatCompareConcatenate) {
  CDuiString s;
  s.Format(L"%.2fKB", 1536 / 1024.0);
  EXPECT_EQ(s, L"1.50KB");
  EXPECT_TRUE(s == CDuiString(L"1.50KB"));
  EXPECT_FALSE(s == L"1.5KB");
  CDuiString joined = L" 下载完成    " + s + L"!";
  EXPECT_EQ(joined, L" 下载完成    1.50KB!");
  EXPECT_EQ(joined.GetLength(), 16);
  EXPECT_EQ(CDuiString(L"a\\b\\c").ReverseFind(L'\\'), 3);
  EXPECT_EQ(CDuiString(L"C:\\t\\x.pdf").Mid(5), L"x.pdf");
  CDuiString text;
  text.Format(L"%s|%ls|%hs|%c|%5.1f%%|%d", L"宽", L"w", "narrow", L'字', 2.25, -7);
  EXPECT_EQ(text, L"宽|w|narrow|字|  2.2%|-7");
  CDuiString long_text;
  EXPECT_EQ(long_text.Format(L"%ls", std::wstring(5000, L'x').c_str()), 5000);
  EXPECT_EQ(CDuiString(static_cast<const wchar_t*>(nullptr)).GetLength(), 0);
  const wchar_t* raw = joined;
  EXPECT_EQ(std::wstring(raw), joined.str());
}

// Records what reaches the window's notification receiver.
class Recorder : public INotifyUI {
 public:
  void Notify(TNotifyUI& msg) override {
    seen.push_back(msg.sType.str() + L":" + msg.pSender->GetName().str());
  }
  bool OnButton(void* param) {
    auto* msg = static_cast<TNotifyUI*>(param);
    seen.push_back(L"delegate:" + msg->sType.str());
    return pass_on;
  }
  std::vector<std::wstring> seen;
  bool pass_on = true;
};

TEST(Notifications, DelegatesFirstThenReceiversAndClickOnlyOnReleaseInside) {
  CPaintManagerUI pm;
  auto* root = new CHorizontalLayoutUI;
  auto* button = new CButtonUI;
  button->SetName(L"btn_close");
  button->SetFixedWidth(40);
  root->Add(button);
  pm.AttachDialog(root);
  pm.SetClientSize(200, 30);
  Recorder rec;
  pm.AddNotifier(&rec);
  button->OnNotify += MakeDelegate(&rec, &Recorder::OnButton);

  pm.ButtonDown({10, 10}, false);
  pm.ButtonUp({10, 10});
  EXPECT_EQ(rec.seen, (std::vector<std::wstring>{L"delegate:click", L"click:btn_close"}));

  // Released outside the button: no click.
  rec.seen.clear();
  pm.ButtonDown({10, 10}, false);
  pm.MouseMove({100, 10});
  pm.ButtonUp({100, 10});
  EXPECT_TRUE(rec.seen.empty());

  // A delegate that returns false keeps the notification from the window.
  rec.pass_on = false;
  pm.ButtonDown({5, 5}, false);
  pm.ButtonUp({5, 5});
  EXPECT_EQ(rec.seen, (std::vector<std::wstring>{L"delegate:click"}));

  // Unsubscribed delegates are not called; a disabled button sends nothing.
  rec.seen.clear();
  button->OnNotify -= MakeDelegate(&rec, &Recorder::OnButton);
  button->SetEnabled(false);
  pm.ButtonDown({5, 5}, false);
  pm.ButtonUp({5, 5});
  EXPECT_TRUE(rec.seen.empty());
}

TEST(Notifications, AControlDeletedByItsClickHandlerIsForgotten) {
  CPaintManagerUI pm;
  auto* root = new CVerticalLayoutUI;
  auto* button = new CButtonUI;
  root->Add(button);
  pm.AttachDialog(root);
  pm.SetClientSize(100, 100);
  struct Remover : INotifyUI {
    CContainerUI* root;
    void Notify(TNotifyUI& msg) override { root->Remove(msg.pSender); }
  } remover;
  remover.root = root;
  pm.AddNotifier(&remover);
  pm.MouseMove({5, 5});
  pm.ButtonDown({5, 5}, false);
  pm.ButtonUp({5, 5});
  EXPECT_EQ(root->GetCount(), 0);
  pm.MouseMove({6, 6});  // must not touch the deleted button
  pm.MouseLeave();
}

TEST(Threads, AControlChangedOnAWorkerStopsTheProcess) {
  // Controls belong to the main thread; the statement is live in every build
  // that runs the tests.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        platform::InitMainThread();
        CPaintManagerUI pm;
        auto* label = new CLabelUI;
        pm.AttachDialog(label);
        pm.SetClientSize(100, 30);
        label->SetText(L"on the main thread");
        std::thread([label] { label->SetText(L"on a worker"); }).join();
      },
      "Check failed: platform::IsMainThread\\(\\)");
}

TEST(Lookup, FindSubControlStaysInsideItsContainer) {
  CPaintManagerUI pm;
  auto* list = new CListUI;
  list->SetName(L"down_list_tab");
  pm.AttachDialog(list);
  for (int i = 0; i < 3; ++i) {
    auto* row = new CListContainerElementUI;
    auto* layout = new CHorizontalLayoutUI;
    layout->SetTag(static_cast<UINT_PTR>(i));
    auto* label = new CLabelUI;
    label->SetName(L"size");
    label->SetText(std::to_wstring(i).c_str());
    layout->Add(label);
    row->Add(layout);
    list->Add(row);
  }
  EXPECT_EQ(list->GetCount(), 3);
  auto* third = static_cast<CContainerUI*>(list->GetItemAt(2));
  CControlUI* size = third->FindSubControl(L"size");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->GetText(), L"2");
  EXPECT_EQ(size->GetParent()->GetTag(), 2u);
  EXPECT_EQ(size->GetParent()->GetParent(), third);
  EXPECT_EQ(pm.FindControl(L"size")->GetText(), L"0");  // the window-wide search finds the first
  EXPECT_EQ(list->FindSubControl(L"down_list_tab"), nullptr);  // not the container itself
  EXPECT_EQ(third->FindSubControl(L"nothing"), nullptr);
  EXPECT_EQ(list->GetItemAt(3), nullptr);
  EXPECT_EQ(list->GetItemAt(-1), nullptr);
  EXPECT_FALSE(list->Add(nullptr));
}

TEST(Robustness, NonsenseAttributeValuesLayOutAndDrawWithoutHarm) {
  const wchar_t* kinds[] = {L"Control",        L"Container", L"Label",
                            L"Button",         L"Progress",  L"HorizontalLayout",
                            L"VerticalLayout", L"List",      L"ListContainerElement"};
  const wchar_t* names[] = {
      L"pos",       L"padding",   L"width",   L"height",       L"minwidth",    L"maxwidth",
      L"minheight", L"maxheight", L"inset",   L"childpadding", L"bordersize",  L"borderround",
      L"font",      L"textcolor", L"bkcolor", L"bkimage",      L"align",       L"textpadding",
      L"min",       L"max",       L"value",   L"foreimage",    L"normalimage", L"float",
      L"visible",   L"text",      L"showhtml"};
  const wchar_t* values[] = {L"",
                             L"-5",
                             L"99999999999",
                             L"#zz",
                             L"a,b,c",
                             L"true",
                             L"-3,-3,-3,-3",
                             L"file='../../etc/passwd' corner='900,900,900,900'",
                             L"<b><c #FFFF0000>x",
                             L"1000000,1000000"};
  CPaintManagerUI pm;
  pm.SetResourcePath(kSkinDir.c_str());
  auto* root = new CHorizontalLayoutUI;
  pm.AttachDialog(root);
  int n = 0;
  for (const wchar_t* kind : kinds) {
    for (const wchar_t* value : values) {
      CControlUI* c = CDialogBuilder::CreateControlByName(kind);
      ASSERT_NE(c, nullptr);
      for (const wchar_t* name : names) c->SetAttribute(name, value);
      c->SetVisible(true);
      root->Add(c);
      ++n;
    }
  }
  EXPECT_EQ(root->GetCount(), n);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 200);
  cairo_t* cr = cairo_create(surface);
  for (SIZE size : {SIZE{300, 200}, SIZE{0, 0}, SIZE{1, 1}, SIZE{30000, 5}}) {
    pm.SetClientSize(size.cx, size.cy);
    pm.Paint(cr);
    pm.MouseMove({3, 3});
    pm.ButtonDown({3, 3}, false);
    pm.ButtonUp({3, 3});
    pm.Scroll({3, 3}, 1);
  }
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

TEST(Robustness, TheDownloadRowDrawsItsImagesAndText) {
  // The row of the download list, drawn off screen: the icon and the fore
  // image come from the skin folder and leave their colours in the picture.
  CPaintManagerUI pm;
  pm.SetResourcePath(kSkinDir.c_str());
  auto* row = new CHorizontalLayoutUI;
  row->ApplyAttributeList(L"childpadding=\"10\" inset=\"3,5,3,5\"");
  auto* icon = new CLabelUI;
  icon->ApplyAttributeList(L"width=\"32\" maxheight=\"26\" bkimage=\"downlist_app.png\"");
  auto* bar = new CProgressUI;
  bar->SetForeImage(L"progress_fore.png");
  bar->SetMaxHeight(7);
  bar->SetValue(50);
  row->Add(icon);
  row->Add(bar);
  pm.AttachDialog(row);
  pm.SetClientSize(400, 45);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 400, 45);
  cairo_t* cr = cairo_create(surface);
  pm.Paint(cr);
  cairo_surface_flush(surface);
  auto pixel = [&](int x, int y) {
    auto* data = cairo_image_surface_get_data(surface);
    return *reinterpret_cast<std::uint32_t*>(data + y * cairo_image_surface_get_stride(surface) +
                                             x * 4);
  };
  EXPECT_NE(pixel(19, 22) & 0xFF000000u, 0u);  // the icon is drawn
  RECT br = bar->GetPos();
  std::uint32_t filled = pixel(br.left + br.right / 4, (br.top + br.bottom) / 2);
  std::uint32_t empty = pixel(br.right - 10, (br.top + br.bottom) / 2);
  EXPECT_GT(filled & 0xFF, (filled >> 16) & 0xFF);  // blue fore image
  EXPECT_NE(filled, empty);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

}  // namespace
