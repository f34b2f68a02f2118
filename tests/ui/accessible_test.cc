// What screen readers and keyboard users are given of a skin, without a
// display: the role and name of each kind of control, the presented tree of
// the client's three skins, and the focus order with Tab, Return and space.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/keyboard.h"
#include "platform/unicode_text.h"
#include "ui/accessible_info.h"
#include "ui/render_engine.h"
#include "ui/ui_lib.h"

namespace {

using ui::a11y::Role;

const std::wstring kSkinDir = platform::Utf8ToWide(QUORBITAL_SOURCE_DIR "/Skin/");

std::wstring RoleName(Role role) {
  switch (role) {
    case Role::kPushButton:
      return L"button";
    case Role::kLabel:
      return L"label";
    case Role::kProgressBar:
      return L"progress";
    case Role::kList:
      return L"list";
    case Role::kListItem:
      return L"item";
    default:
      return L"none";
  }
}

// The presented tree as "role name" lines, children indented.
void Flatten(CControlUI* control, const std::wstring& indent, std::vector<std::wstring>& out) {
  for (CControlUI* child : ui::a11y::PresentedChildren(control)) {
    out.push_back(indent + RoleName(ui::a11y::RoleOf(child)) + L" " + ui::a11y::NameOf(child));
    Flatten(child, indent + L"  ", out);
  }
}

std::vector<std::wstring> Names(const std::vector<CControlUI*>& controls) {
  std::vector<std::wstring> names;
  for (CControlUI* c : controls) names.push_back(c->GetName().str());
  return names;
}

struct Clicks : INotifyUI {
  void Notify(TNotifyUI& msg) override {
    if (msg.sType == L"click") seen.push_back(msg.pSender->GetName().str());
  }
  std::vector<std::wstring> seen;
};

TEST(Accessibility, TheClientsSkinsArePresentedWithChineseNamesAndAFocusOrder) {
  struct Case {
    const wchar_t* file;
    std::vector<std::wstring> tree;
    std::vector<std::wstring> order;
  };
  const Case cases[] = {
      {L"MainWnd.xml",
       {L"label Quorbital", L"button 最小化", L"button 最大化", L"button 关闭"},
       {L"minbtn", L"maxbtn", L"btn_close"}},
      {L"DownloadWnd.xml",
       {L"label 下载", L"button 最小化", L"button 最大化", L"button 关闭", L"list 下载列表",
        L"label 下载的文件保存在您选择的位置", L"button 关闭"},
       {L"minbtn", L"maxbtn", L"closebtn", L"btn_close"}},
      {L"UpdateWnd.xml",
       {L"label 内容升级", L"button 关闭", L"label 正在升级...", L"progress 升级进度"},
       {L"btn_close"}},
  };
  for (const Case& c : cases) {
    CPaintManagerUI pm;
    CDialogBuilder builder;
    pm.AttachDialog(builder.Create(kSkinDir + c.file, &pm));
    std::vector<std::wstring> tree;
    Flatten(pm.GetRoot(), L"", tree);
    EXPECT_EQ(tree, c.tree) << platform::WideToUtf8(c.file);
    EXPECT_EQ(Names(pm.GetFocusOrder()), c.order) << platform::WideToUtf8(c.file);
    // Screen readers name the window by its visible caption.
    EXPECT_NE(pm.FindControl(pm.GetTitleLabel()), nullptr) << platform::WideToUtf8(c.file);
  }
}

TEST(Accessibility, EachKindOfControlHasItsRoleAndNameAndTheKeysMoveTheFocus) {
  CPaintManagerUI pm;
  CDialogBuilder builder;
  pm.AttachDialog(builder.CreateFromString(R"(<Window><VerticalLayout>
        <Label name="picture" bkimage="logo.png" />
        <Label name="title" text="&lt;b&gt;标题&lt;/b&gt; " showhtml="true" />
        <Button name="tip" tooltip="提示" />
        <Button name="named" accessiblename="最小化" tooltip="Minimise" />
        <Button name="off" text="禁用" enabled="false" />
        <HorizontalLayout visible="false"><Button name="hidden" text="隐藏" /></HorizontalLayout>
        <Progress name="bar" accessiblename="进度" />
        <List name="list" accessiblename="列表" />
        <Control name="typing" keyboard="true" />
      </VerticalLayout></Window>)",
                                           &pm));
  auto* row = new CListContainerElementUI;
  row->ApplyAttributeList(L"name=\"row\"");
  auto* layout = new CHorizontalLayoutUI;
  row->Add(layout);
  auto* file = new CLabelUI;
  file->SetText(L"a.pdf");
  layout->Add(file);
  auto* open = new CButtonUI;
  open->ApplyAttributeList(L"name=\"open\" text=\"<b>打开</b> \" showhtml=\"true\"");
  layout->Add(open);
  static_cast<CContainerUI*>(pm.FindControl(L"list"))->Add(row);

  std::vector<std::wstring> tree;
  Flatten(pm.GetRoot(), L"", tree);
  const std::vector<std::wstring> expected = {
      L"label 标题", L"button 提示",  L"button 最小化",   L"button 禁用",    L"progress 进度",
      L"list 列表",  L"  item a.pdf", L"    label a.pdf", L"    button 打开"};
  EXPECT_EQ(tree, expected);
  EXPECT_EQ(ui::a11y::DescriptionOf(pm.FindControl(L"named")), L"Minimise");
  EXPECT_EQ(ui::a11y::DescriptionOf(pm.FindControl(L"tip")), L"");

  // Shown, enabled controls that take the keyboard, in reading order.
  EXPECT_EQ(Names(pm.GetFocusOrder()),
            (std::vector<std::wstring>{L"tip", L"named", L"open", L"typing"}));
  Clicks clicks;
  pm.AddNotifier(&clicks);
  LRESULT result = 0;
  auto key = [&](UINT vk) { return pm.MessageHandler(WM_KEYDOWN, vk, 0, result); };
  {
    platform::KeyStateScope none(0);
    EXPECT_FALSE(key(VK_RETURN));  // nothing has the focus yet
    EXPECT_TRUE(key(VK_TAB));
    EXPECT_EQ(pm.GetFocus(), pm.FindControl(L"tip"));
    EXPECT_TRUE(key(VK_TAB));
    EXPECT_TRUE(key(VK_TAB));
    EXPECT_TRUE(key(VK_SPACE));
    EXPECT_TRUE(key(VK_TAB));
    EXPECT_FALSE(key(VK_RETURN));  // a plain control has nothing to do
    EXPECT_TRUE(key(VK_TAB));      // and round to the first again
    EXPECT_EQ(pm.GetFocus(), pm.FindControl(L"tip"));
    EXPECT_TRUE(key(VK_RETURN));
  }
  {
    platform::KeyStateScope shift(platform::kShiftDown);
    EXPECT_TRUE(key(VK_TAB));
    EXPECT_EQ(pm.GetFocus(), pm.FindControl(L"typing"));
  }
  {
    // Control+Tab and Alt+Return are not the controls' keys.
    platform::KeyStateScope control(platform::kControlDown | platform::kAltDown);
    EXPECT_FALSE(key(VK_TAB));
    EXPECT_FALSE(key(VK_RETURN));
  }
  EXPECT_EQ(clicks.seen, (std::vector<std::wstring>{L"open", L"tip"}));
  // A control that goes takes the focus with it.
  pm.SetFocus(open);
  static_cast<CContainerUI*>(pm.FindControl(L"list"))->RemoveAll();
  EXPECT_EQ(pm.GetFocus(), nullptr);
  pm.RemoveNotifier(&clicks);
}

TEST(Accessibility, ContrastRatiosAsTheGuidelinesDefineThem) {
  EXPECT_NEAR(ui::render::ContrastRatio(0xFF000000u, 0xFFFFFFFFu), 21.0, 0.01);
  EXPECT_NEAR(ui::render::ContrastRatio(0xFFAAAAAAu, 0xFFFFFFFFu), 2.32, 0.01);
  EXPECT_NEAR(ui::render::ContrastRatio(0xFF777777u, 0xFFFFFFFFu), 4.48, 0.01);
  EXPECT_DOUBLE_EQ(ui::render::ContrastRatio(0xFF2F6FEDu, 0xFF1F2937u),
                   ui::render::ContrastRatio(0xFF1F2937u, 0xFF2F6FEDu));
}

}  // namespace
