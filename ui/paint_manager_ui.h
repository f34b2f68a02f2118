// CPaintManagerUI: the toolkit's side of one window. It owns the window's
// control tree, lays it out, draws it, turns mouse input into control events
// and notifications, keeps the window's skin settings (caption, size box,
// fonts, default attributes) and its images. Its static part starts the
// toolkit and runs the message loop.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows.h"
#include "ui/control_ui.h"
#include "ui/desktop_look.h"
#include "ui/dui_string.h"
#include "ui/render_engine.h"
#include "ui/ui_interfaces.h"

struct _cairo;
struct _cairo_surface;

namespace ui {
class WindowHost;
}

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // Starts the toolkit on the calling thread, which becomes the main thread:
  // every window and control belongs to it. Call once, before any window.
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  // The folder holding the skins and resources, with a trailing '/': the
  // executable's directory unless SetInstancePath chose another (an
  // installed client keeps them in its data folder).
  static CDuiString GetInstancePath();
  static void SetInstancePath(const CDuiString& path);
  // Runs the main thread's message loop until PostQuitMessage.
  static void MessageLoop();

  // Binds the manager to its window (done by the window base on creation).
  void Init(HWND hwnd);

  // The folder images are read from (the skin folder), with a trailing '/'.
  void SetResourcePath(const wchar_t* path);
  CDuiString GetResourcePath() const { return resource_path_; }

  // Takes ownership of root (may be null); the previous tree is deleted.
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return root_; }

  // The control with that name anywhere in the window, or null.
  CControlUI* FindControl(const wchar_t* name) const;
  // The deepest control under a point of the client area, or null.
  CControlUI* FindControl(POINT pt);

  // Keyboard focus among the controls (paint_manager_focus.cc). The focused
  // control (null for none) gets the keys while the window's controls, not a
  // native child, have the keyboard: Tab and Shift+Tab move the focus along
  // GetFocusOrder and wrap, Return and space activate the focused control.
  // SetFocus with a control also gives the window's controls the keyboard.
  void SetFocus(CControlUI* control);
  CControlUI* GetFocus() const { return focus_; }
  // The controls that take the keyboard and are shown and enabled, in
  // reading order (the order of the skin).
  std::vector<CControlUI*> GetFocusOrder() const;
  // Moves the focus to the next (or previous) control of the order: the one
  // after (or before) the focused control's place in the skin, which need
  // not be in the order itself (a row); from the first (or last) when none
  // has it. False when the order is empty.
  bool SetNextTabControl(bool forward = true);
  // The focus stays on a real control. When the focused control has been
  // hidden, disabled or deleted, it moves to the one that took its place:
  // the nearest control of the order in the same list row, else that row,
  // else the nearest row of the list (its first control, else the row), else
  // the list; outside lists, the nearest control of the order. A row that
  // took the focus so gives it to the first control that appears in it
  // (the 重试 of a download that has stopped). Runs from the
  // loop after every change of the tree, before the next drawing; also
  // callable directly.
  void KeepFocus();
  // The control a window gives the focus to when it is shown, or when its
  // controls get the keyboard while none has the focus; null leaves the
  // keyboard to a native child (the page). The window base supplies it.
  void SetInitialFocus(std::function<CControlUI*()> initial) {
    initial_focus_ = std::move(initial);
  }
  // Focuses the initial control (over any focus the window had before);
  // false when there is none.
  bool FocusInitial();

  // The control whose text is the window's visible caption (the skin's
  // titlelabel): screen readers name the window by it.
  void SetTitleLabel(const wchar_t* name) { title_label_ = name; }
  CDuiString GetTitleLabel() const { return title_label_; }

  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);
  // Offers a window message to the filters; true when one handled it.
  bool MessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

  // Delivers a notification: first to the sender's OnNotify subscribers,
  // then (unless one of them returned false) to every notifier.
  void SendNotify(TNotifyUI& msg);
  void SendNotify(CControlUI* control, const wchar_t* type, WPARAM wparam = 0, LPARAM lparam = 0);

  // Redraw, and relayout before the next drawing.
  void Invalidate();
  // Redraw of a rectangle of the client area only.
  // changed: the control whose looks or text changed there, if one did.
  void Invalidate(const RECT& rc, CControlUI* changed = nullptr);
  void NeedUpdate();
  // Lays the tree out now if anything asked for it.
  void UpdateLayout();
  // The client area in layout pixels (the window's pixels over GetZoom).
  void SetClientSize(int width, int height);

  // The desktop's look (desktop_look.h) as this window follows it. A skin
  // scales whole with the desktop's text size: its layout pixels are drawn
  // GetZoom() window pixels large, so text keeps its room. A skin with
  // scaling="text" keeps its pixel geometry (a strip of a fixed height) and
  // only its text grows, by GetFontScale(). In a high-contrast theme every
  // control is drawn in the theme's two colours: GetInk() on GetGround().
  void SetTextOnlyScaling(bool on) { text_only_scaling_ = on; }
  // Reads the desktop's look; true when it changed what this window shows.
  bool ApplyDesktopLook();
  double GetZoom() const { return zoom_; }
  double GetFontScale() const { return font_scale_; }
  bool IsHighContrast() const { return contrast_ != ui::Contrast::kNormal; }
  ui::Contrast GetContrast() const { return contrast_; }
  std::uint32_t GetInk() const;
  std::uint32_t GetGround() const;

  // Skin settings of the window element.
  void SetCaptionRect(RECT rc) { caption_ = rc; }
  RECT GetCaptionRect() const { return caption_; }
  void SetSizeBox(RECT rc) { sizebox_ = rc; }
  RECT GetSizeBox() const { return sizebox_; }
  void SetInitSize(int cx, int cy);
  SIZE GetInitSize() const { return init_size_; }
  void SetMinInfo(int cx, int cy);
  SIZE GetMinInfo() const { return min_info_; }
  void SetBkColor(std::uint32_t color) { bk_color_ = color; }
  std::uint32_t GetBkColor() const { return bk_color_; }
  void SetDefaultTextColor(std::uint32_t color) { default_text_color_ = color; }
  std::uint32_t GetDefaultTextColor() const { return default_text_color_; }

  // Fonts by index (the font attribute); -1 or an unknown index is the
  // default font.
  void AddFont(int index, const ui::FontSpec& font);
  void SetDefaultFont(const ui::FontSpec& font) { default_font_ = font; }
  const ui::FontSpec& GetFont(int index) const;

  // Attribute lists applied to every control of a class (element name)
  // before its own attributes.
  void AddDefaultAttributeList(const wchar_t* control_class, const wchar_t* list);
  CDuiString GetDefaultAttributeList(const wchar_t* control_class) const;

  // A PNG of the resource folder (or an absolute path), loaded once. Null
  // when it cannot be read. On a window with two or more device pixels to a
  // layout pixel, NAME@2x.png is taken instead when the skin has it: a
  // surface whose device scale makes it the size of NAME.png in the layout.
  _cairo_surface* GetImage(const std::wstring& file);

  // Forget a control that is going away (hover and press tracking).
  void ReapObjects(CControlUI* control);

  // Called by the window: draw the whole client area, and mouse input in
  // client coordinates. ButtonDown returns the control that took the press.
  void Paint(_cairo* cr);
  void MouseMove(POINT pt);
  CControlUI* ButtonDown(POINT pt, bool double_click);
  void ButtonUp(POINT pt);
  void MouseLeave();
  void Scroll(POINT pt, int delta);
  // Whether a press at pt would go to an interactive control (a button), so
  // the caption must not start a window move there.
  bool IsInteractiveAt(POINT pt);
  // Where the mouse was last seen over the client area ({-1,-1}: outside).
  POINT GetMousePos() const { return mouse_; }

 private:
  ui::WindowHost* Host() const;
  // Tab, Return and space for the focused control; true when used. The
  // window may have closed when it returns true.
  bool KeyForControls(WPARAM key);
  // Moves the focus without taking the keyboard from elsewhere.
  void MoveFocus(CControlUI* control);
  // The focused control (or one above it) is being deleted.
  void LoseFocus(CControlUI* going);
  // KeepFocus from the loop, soon.
  void ScheduleKeepFocus();
  // The colour drawn under a control: its own or its nearest container's
  // background, else the window's.
  std::uint32_t BackgroundOf(CControlUI* control) const;

  HWND hwnd_ = nullptr;
  CDuiString resource_path_;
  CControlUI* root_ = nullptr;
  CControlUI* hot_ = nullptr;
  CControlUI* pressed_ = nullptr;
  CControlUI* focus_ = nullptr;
  // Where the focus was when its control was deleted: the nearest control
  // above it that stays, and the rectangle of the part that went.
  struct LostFocus {
    CControlUI* anchor = nullptr;
    RECT rect;
  };
  LostFocus lost_focus_;
  // The focused row took the focus from a button of its that went.
  bool row_awaits_control_ = false;
  std::function<CControlUI*()> initial_focus_;
  unsigned keep_focus_source_ = 0;
  CDuiString title_label_;
  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> filters_;
  bool update_needed_ = true;
  SIZE client_size_;
  POINT mouse_{-1, -1};
  CControlUI* hot_row_ = nullptr;
  RECT caption_;
  RECT sizebox_;
  SIZE init_size_;
  SIZE min_info_;
  std::uint32_t bk_color_ = 0;
  std::uint32_t default_text_color_ = 0xFF333333u;
  ui::FontSpec default_font_;
  std::map<int, ui::FontSpec> fonts_;
  std::map<std::wstring, std::wstring> default_attributes_;
  std::map<std::wstring, _cairo_surface*> images_;
  bool text_only_scaling_ = false;
  double zoom_ = 1;
  double font_scale_ = 1;
  ui::Contrast contrast_ = ui::Contrast::kNormal;
};
