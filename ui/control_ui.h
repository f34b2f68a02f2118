// CControlUI: the windowless control every skin element is made of. It has a
// name, text, a tag, a size request (fixed, minimum, maximum), padding, and
// looks (background colour and image, border, text colour and font), and it
// draws itself into its rectangle. Containers lay controls out; the paint
// manager of the window draws them and feeds them the mouse.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/dui_string.h"
#include "ui/event_source.h"
#include "ui/ui_interfaces.h"

struct _cairo;
class CPaintManagerUI;

// Text style bits of labels and buttons.
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Text that does not fit loses characters from its middle, not its end (a
// file name keeps its extension).
constexpr UINT DT_PATH_ELLIPSIS = 0x4000;
constexpr UINT DT_TOP = 0x0000;

// Mouse input that the paint manager hands to a control.
enum UIEVENT {
  UIEVENT_MOUSEENTER = 1,
  UIEVENT_MOUSELEAVE,
  UIEVENT_MOUSEMOVE,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_DBLCLICK,
  UIEVENT_SCROLLWHEEL,
  UIEVENT_SETFOCUS,
  UIEVENT_KILLFOCUS,
};

struct TEventUI {
  int Type = 0;
  CControlUI* pSender = nullptr;
  POINT ptMouse;
  WPARAM wParam = 0;  // scroll: positive scrolls towards the end
  LPARAM lParam = 0;
};

// Colours are 0xAARRGGBB; an alpha of 0 means "not set".
using UIColor = std::uint32_t;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual const wchar_t* GetClass() const;
  // The control as the named kind ("Control", "Container", "Label",
  // "Button", "Progress", "HorizontalLayout", "VerticalLayout", "List",
  // "ListContainerElement"), or null.
  virtual void* GetInterface(const wchar_t* name);

  // Tree.
  CPaintManagerUI* GetManager() const { return manager_; }
  CControlUI* GetParent() const { return parent_; }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);

  // Identity and content.
  virtual CDuiString GetName() const { return name_; }
  virtual void SetName(const wchar_t* name);
  virtual CDuiString GetText() const { return text_; }
  virtual void SetText(const wchar_t* text);
  virtual UINT_PTR GetTag() const { return tag_; }
  virtual void SetTag(UINT_PTR tag) { tag_ = tag; }
  CDuiString GetToolTip() const { return tooltip_; }
  void SetToolTip(const wchar_t* text) { tooltip_ = text; }
  CDuiString GetUserData() const { return userdata_; }
  void SetUserData(const wchar_t* text) { userdata_ = text; }
  // The name screen readers give the control when its text does not name it
  // (an image-only button): the skin's accessiblename attribute.
  CDuiString GetAccessibleName() const { return accessible_name_; }
  void SetAccessibleName(const wchar_t* name);
  // The control whose text describes this one to screen readers (a status
  // line for the button next to it): the skin's describedby, a name.
  CDuiString GetDescribedBy() const { return described_by_; }
  void SetDescribedBy(const wchar_t* name) { described_by_ = name; }

  // Position. GetPos is the rectangle in window client coordinates that the
  // last layout gave; SetPos is called by the parent's layout.
  const RECT& GetPos() const { return rect_; }
  virtual void SetPos(RECT rc);
  int GetWidth() const { return rect_.right - rect_.left; }
  int GetHeight() const { return rect_.bottom - rect_.top; }

  // Size request: a fixed size of 0 means "take what the layout offers".
  int GetFixedWidth() const { return fixed_.cx; }
  void SetFixedWidth(int cx);
  int GetFixedHeight() const { return fixed_.cy; }
  void SetFixedHeight(int cy);
  int GetMinWidth() const { return min_.cx; }
  void SetMinWidth(int cx);
  int GetMaxWidth() const { return max_.cx; }
  void SetMaxWidth(int cx);
  int GetMinHeight() const { return min_.cy; }
  void SetMinHeight(int cy);
  int GetMaxHeight() const { return max_.cy; }
  void SetMaxHeight(int cy);
  RECT GetPadding() const { return padding_; }
  void SetPadding(RECT rc);
  // A floating control is placed by its pos attribute relative to its
  // parent's top-left corner and takes no part in the parent's layout.
  bool IsFloat() const { return float_; }
  void SetFloat(bool on);
  RECT GetFloatPos() const { return float_pos_; }
  // The size a layout should give the control when it has the given room.
  virtual SIZE EstimateSize(SIZE available);

  // State.
  virtual bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible = true);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled = true);
  void SetMouseEnabled(bool on) { mouse_enabled_ = on; }
  // Whether the control and every container above it are visible.
  bool IsShown() const;
  // Keyboard: a control that takes the keyboard (buttons, or any control
  // with keyboard="true") is in its window's focus order while it is shown
  // and enabled; Tab and Shift+Tab move the focus along that order.
  bool IsKeyboardEnabled() const { return keyboard_; }
  void SetKeyboardEnabled(bool on) { keyboard_ = on; }
  // Whether the control can hold the focus: those in the focus order, and
  // lists and their rows, which are no Tab stops but take the focus when it
  // is given to them (an empty list, a row whose focused button went).
  virtual bool IsFocusable() const { return keyboard_; }
  void SetFocus();
  // Does what a click with the mouse does (a button sends "click"); false
  // for a control that has nothing to do or is disabled or hidden. The
  // window may close, and this control go, before it returns.
  virtual bool Activate();

  // Looks.
  UIColor GetBkColor() const { return bk_color_; }
  void SetBkColor(UIColor color);
  void SetBkImage(const wchar_t* image);
  void SetBorderColor(UIColor color);
  int GetBorderSize() const { return border_size_; }
  void SetBorderSize(int size);
  void SetBorderRound(SIZE round);
  UIColor GetTextColor() const { return text_color_; }
  void SetTextColor(UIColor color);
  int GetFont() const { return font_; }
  void SetFont(int index);
  bool IsShowHtml() const { return show_html_; }
  void SetShowHtml(bool on);
  UINT GetTextStyle() const { return text_style_; }
  void SetTextStyle(UINT style);
  void SetTextPadding(RECT rc);

  // Skin attributes: one attribute, or a list of name="value" pairs applied
  // in order. Unknown attributes are ignored.
  virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
  void ApplyAttributeList(const wchar_t* list);

  // Redraw (of the control's own rectangle) and relayout requests.
  void Invalidate();
  void NeedUpdate();
  void NeedParentUpdate();

  // The deepest visible control at a point (window client coordinates), or
  // null; only controls that take the mouse count unless all is set.
  virtual CControlUI* FindControlAt(POINT pt, bool all = false);
  // This control or a descendant with the given name, or null.
  virtual CControlUI* FindControlByName(const wchar_t* name);

  virtual void DoEvent(TEventUI& event);
  virtual void DoPaint(_cairo* cr, const RECT& paint);

  // Subscribers see every notification the control sends, before the
  // window's Notify: OnNotify += MakeDelegate(this, &CMyWnd::OnX).
  CEventSource OnNotify;

 protected:
  // Keeps rc (an inverted rectangle made empty) as this control's own
  // rectangle and nothing else: the first step of SetPos, which a layout that
  // places its children itself takes instead of its base's SetPos.
  void TakePos(RECT rc);
  virtual void PaintBkColor(_cairo* cr);
  virtual void PaintBkImage(_cairo* cr);
  virtual void PaintStatusImage(_cairo* cr);
  virtual void PaintText(_cairo* cr);
  virtual void PaintBorder(_cairo* cr);
  // Draws an image description ("a.png" or "file='a.png' dest='..' ...")
  // into rc; false when the image cannot be had. In a high-contrast theme
  // an icon takes the ink colour (the ground's over the ink: on_ink, a
  // button under the mouse); a picture (picture) keeps its own.
  bool DrawImage(_cairo* cr, const CDuiString& image, const RECT& rc, bool on_ink = false,
                 bool picture = false);
  // Draws text in rc with this control's font, colour and style.
  void DrawText(_cairo* cr, const RECT& rc, const CDuiString& text, UIColor color,
                bool on_ink = false);
  // The colours drawn in a high-contrast theme (the skin's own otherwise):
  // a fill the skin gave a colour is the ground, or the ink for a line (two
  // pixels thin or less); text, borders and images are the ink, or the
  // ground over the ink.
  bool IsHighContrast() const;
  UIColor FillColor(UIColor color) const;
  UIColor InkColor(UIColor color, bool on_ink = false) const;
  void SendNotify(const wchar_t* type, WPARAM wparam = 0, LPARAM lparam = 0);

  CPaintManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  CDuiString name_;
  CDuiString text_;
  CDuiString tooltip_;
  CDuiString userdata_;
  CDuiString accessible_name_;
  CDuiString described_by_;
  UINT_PTR tag_ = 0;
  RECT rect_;
  SIZE fixed_;
  SIZE min_;
  SIZE max_{9999, 9999};
  RECT padding_;
  bool float_ = false;
  RECT float_pos_;
  bool visible_ = true;
  bool enabled_ = true;
  bool mouse_enabled_ = true;
  bool keyboard_ = false;
  UIColor bk_color_ = 0;
  CDuiString bk_image_;
  UIColor border_color_ = 0;
  int border_size_ = 0;
  SIZE border_round_;
  UIColor text_color_ = 0;
  UIColor disabled_text_color_ = 0;
  int font_ = -1;
  bool show_html_ = false;
  UINT text_style_ = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  RECT text_padding_;
};
