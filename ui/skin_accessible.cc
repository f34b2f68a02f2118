// The skin area's accessible objects over ATK: the area's panel, one object
// per presented control, and the catching up that tells assistive
// technologies what changed.
#include "ui/skin_accessible.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/unicode_text.h"
#include "ui/accessible_info.h"
#include "ui/button_ui.h"
#include "ui/paint_manager_ui.h"
#include "ui/progress_ui.h"
#include "ui/window_host.h"

namespace ui {
namespace {

class Sync;

// What one control's object knows, and what it last told.
struct ControlNode {
  CControlUI* control = nullptr;  // null once the control is gone
  Sync* owner = nullptr;
  a11y::Role role = a11y::Role::kNone;
  std::vector<AtkObject*> children;  // owned by the Sync's table
  std::string reply;                 // the last string handed out
  bool told = false;                 // the values below were told
  std::string name, description;
  std::wstring text;
  int value = 0;
  RECT rect;
  unsigned states = 0;
};

// The states a control object can have, as bits of ControlNode::states.
constexpr AtkStateType kStates[] = {ATK_STATE_VISIBLE,   ATK_STATE_SHOWING,   ATK_STATE_ENABLED,
                                    ATK_STATE_SENSITIVE, ATK_STATE_FOCUSABLE, ATK_STATE_FOCUSED,
                                    ATK_STATE_PRESSED};

}  // namespace
}  // namespace ui

// ---------------------------------------------------------------------------
// GObject types: the control objects (by the interfaces their role needs),
// the skin area's panel, and the area widget that makes GTK create it.
// ---------------------------------------------------------------------------
extern "C" {

struct UiControlAccessible {
  AtkObject parent;
  ui::ControlNode* node;
};
struct UiControlAccessibleClass {
  AtkObjectClass parent_class;
};

struct UiButtonAccessible {
  UiControlAccessible parent;
};
struct UiButtonAccessibleClass {
  UiControlAccessibleClass parent_class;
};
struct UiProgressAccessible {
  UiControlAccessible parent;
};
struct UiProgressAccessibleClass {
  UiControlAccessibleClass parent_class;
};
struct UiLabelAccessible {
  UiControlAccessible parent;
};
struct UiLabelAccessibleClass {
  UiControlAccessibleClass parent_class;
};

struct UiSkinAccessible {
  GtkWidgetAccessible parent;
  ui::SkinAccessibility* sync;
};
struct UiSkinAccessibleClass {
  GtkWidgetAccessibleClass parent_class;
};

struct UiSkinArea {
  GtkDrawingArea parent;
};
struct UiSkinAreaClass {
  GtkDrawingAreaClass parent_class;
};

}  // extern "C"

namespace ui {
namespace {

void ControlComponentInit(AtkComponentIface* iface);
void ButtonActionInit(AtkActionIface* iface);
void ProgressValueInit(AtkValueIface* iface);
void LabelTextInit(AtkTextIface* iface);

}  // namespace
}  // namespace ui

G_DEFINE_TYPE_WITH_CODE(UiControlAccessible, ui_control_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, ui::ControlComponentInit))
G_DEFINE_TYPE_WITH_CODE(UiButtonAccessible, ui_button_accessible, ui_control_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, ui::ButtonActionInit))
G_DEFINE_TYPE_WITH_CODE(UiProgressAccessible, ui_progress_accessible,
                        ui_control_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_VALUE, ui::ProgressValueInit))
G_DEFINE_TYPE_WITH_CODE(UiLabelAccessible, ui_label_accessible, ui_control_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, ui::LabelTextInit))
G_DEFINE_TYPE(UiSkinAccessible, ui_skin_accessible, GTK_TYPE_WIDGET_ACCESSIBLE)
G_DEFINE_TYPE(UiSkinArea, ui_skin_area, GTK_TYPE_DRAWING_AREA)

namespace ui {
namespace {

ControlNode* NodeOf(gpointer object) {
  return reinterpret_cast<UiControlAccessible*>(object)->node;
}

const char* Reply(ControlNode* node, const std::string& text) {
  node->reply = text;
  return node->reply.c_str();
}

AtkRole AtkRoleOf(a11y::Role role) {
  switch (role) {
    case a11y::Role::kPushButton:
      return ATK_ROLE_PUSH_BUTTON;
    case a11y::Role::kLabel:
      return ATK_ROLE_LABEL;
    case a11y::Role::kProgressBar:
      return ATK_ROLE_PROGRESS_BAR;
    case a11y::Role::kList:
      return ATK_ROLE_LIST;
    case a11y::Role::kListItem:
      return ATK_ROLE_LIST_ITEM;
    default:
      return ATK_ROLE_PANEL;
  }
}

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

// The catching up of one skin area's objects with its controls.
class Sync : public SkinAccessibility {
 public:
  Sync(AtkObject* panel, WindowHost* host) : panel_(panel), host_(host) {}
  ~Sync() override {
    if (idle_ != 0) g_source_remove(idle_);
    DropAll(false);
  }

  void Changed() override {
    if (idle_ == 0) idle_ = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OnIdle, this, nullptr);
  }

  void Forget(CControlUI* control) override {
    auto it = objects_.find(control);
    if (it == objects_.end()) return;
    AtkObject* object = it->second;
    // Out of its parent's children first, so no one reaches it any more.
    AtkObject* parent = atk_object_get_parent(object);
    std::vector<AtkObject*>* siblings = ChildrenOf(parent);
    if (siblings != nullptr) {
      for (size_t i = 0; i < siblings->size(); ++i) {
        if ((*siblings)[i] != object) continue;
        siblings->erase(siblings->begin() + static_cast<std::ptrdiff_t>(i));
        if (populated_)
          g_signal_emit_by_name(parent, "children-changed::remove", static_cast<int>(i), object);
        break;
      }
    }
    objects_.erase(it);
    Defunct(object);
  }

  void Reset() override {
    DropAll(true);
    Changed();
  }

  void Detach() override {
    if (idle_ != 0) g_source_remove(idle_);
    idle_ = 0;
    DropAll(false);
    host_ = nullptr;
  }

  GtkWidget* Area() const { return host_ != nullptr ? host_->SkinWidget() : nullptr; }
  CPaintManagerUI* Manager() const { return host_ != nullptr ? host_->Manager() : nullptr; }
  WindowHost* Host() const { return host_; }

  std::vector<AtkObject*>& TopChildren() {
    if (!populated_) CatchUp();
    return top_;
  }

  unsigned StatesOf(CControlUI* control) const {
    GtkWidget* area = Area();
    CPaintManagerUI* manager = Manager();
    const bool shown = control->IsShown();
    bool enabled = true;
    for (CControlUI* c = control; c != nullptr; c = c->GetParent())
      enabled = enabled && c->IsEnabled();
    const bool focusable = control->IsKeyboardEnabled() && enabled;
    auto* button = static_cast<CButtonUI*>(control->GetInterface(L"Button"));
    const bool on[] = {shown,
                       shown && area != nullptr && gtk_widget_get_mapped(area),
                       enabled,
                       enabled,
                       focusable,
                       focusable && shown && manager != nullptr && manager->GetFocus() == control &&
                           host_ != nullptr && host_->SkinHasFocus(),
                       button != nullptr && button->IsPushed()};
    unsigned bits = 0;
    for (size_t i = 0; i < std::size(kStates); ++i) bits |= on[i] ? (1u << i) : 0;
    return bits;
  }

  void CatchUp() {
    if (idle_ != 0) {
      g_source_remove(idle_);
      idle_ = 0;
    }
    CPaintManagerUI* manager = Manager();
    std::vector<CControlUI*> wanted;
    if (manager != nullptr && manager->GetRoot() != nullptr) {
      manager->UpdateLayout();
      wanted = a11y::PresentedChildren(manager->GetRoot());
    }
    SyncChildren(panel_, top_, wanted);
    if (host_ != nullptr) host_->UpdateAccessibleTitle();
    populated_ = true;
  }

 private:
  static gboolean OnIdle(gpointer data) {
    auto* self = static_cast<Sync*>(data);
    self->idle_ = 0;
    self->CatchUp();
    return G_SOURCE_REMOVE;
  }

  std::vector<AtkObject*>* ChildrenOf(AtkObject* parent) {
    if (parent == panel_) return &top_;
    if (parent != nullptr && G_TYPE_CHECK_INSTANCE_TYPE(parent, ui_control_accessible_get_type())) {
      ControlNode* node = NodeOf(parent);
      if (node->owner == this) return &node->children;
    }
    return nullptr;
  }

  AtkObject* ObjectFor(CControlUI* control, AtkObject* parent) {
    auto it = objects_.find(control);
    AtkObject* object = nullptr;
    if (it != objects_.end()) {
      object = it->second;
    } else {
      const a11y::Role role = a11y::RoleOf(control);
      GType type = ui_control_accessible_get_type();
      if (role == a11y::Role::kPushButton) type = ui_button_accessible_get_type();
      if (role == a11y::Role::kProgressBar) type = ui_progress_accessible_get_type();
      if (role == a11y::Role::kLabel) type = ui_label_accessible_get_type();
      object = ATK_OBJECT(g_object_new(type, nullptr));
      ControlNode* node = NodeOf(object);
      node->control = control;
      node->owner = this;
      node->role = role;
      atk_object_initialize(object, nullptr);
      objects_[control] = object;
    }
    if (atk_object_get_parent(object) != parent) atk_object_set_parent(object, parent);
    return object;
  }

  void SyncChildren(AtkObject* parent, std::vector<AtkObject*>& current,
                    const std::vector<CControlUI*>& wanted) {
    std::vector<AtkObject*> next;
    next.reserve(wanted.size());
    for (CControlUI* control : wanted) next.push_back(ObjectFor(control, parent));
    if (next != current) {
      auto has = [](const std::vector<AtkObject*>& list, AtkObject* o) {
        return std::find(list.begin(), list.end(), o) != list.end();
      };
      const std::vector<AtkObject*> before = current;
      for (size_t i = before.size(); i-- > 0;) {
        if (has(next, before[i])) continue;
        current.erase(current.begin() + static_cast<std::ptrdiff_t>(i));
        if (populated_)
          g_signal_emit_by_name(parent, "children-changed::remove", static_cast<int>(i), before[i]);
      }
      current = next;
      for (size_t i = 0; i < next.size(); ++i) {
        if (populated_ && !has(before, next[i]))
          g_signal_emit_by_name(parent, "children-changed::add", static_cast<int>(i), next[i]);
      }
    }
    for (AtkObject* object : next) {
      ControlNode* node = NodeOf(object);
      Tell(object, node);
      SyncChildren(object, node->children, a11y::PresentedChildren(node->control));
    }
  }

  // Compares what the control shows with what its object last told, and
  // tells the difference.
  void Tell(AtkObject* object, ControlNode* node) {
    CControlUI* control = node->control;
    const std::string name = Utf8(a11y::NameOf(control));
    const std::string description = Utf8(a11y::DescriptionOf(control));
    const std::wstring text = node->role == a11y::Role::kLabel ? a11y::ShownText(control) : L"";
    auto* bar = static_cast<CProgressUI*>(control->GetInterface(L"Progress"));
    const int value = bar != nullptr ? bar->GetValue() : 0;
    const RECT rect = control->GetPos();
    const unsigned states = StatesOf(control);
    const bool tell = node->told && populated_;
    if (tell && text != node->text) {
      g_signal_emit_by_name(object, "text-changed::delete", 0, static_cast<int>(node->text.size()));
      node->text = text;
      g_signal_emit_by_name(object, "text-changed::insert", 0, static_cast<int>(text.size()));
    }
    node->text = text;
    if (tell && name != node->name) {
      node->name = name;
      g_object_notify(G_OBJECT(object), "accessible-name");
    }
    node->name = name;
    if (tell && description != node->description) {
      node->description = description;
      g_object_notify(G_OBJECT(object), "accessible-description");
    }
    node->description = description;
    if (tell && value != node->value) {
      node->value = value;
      g_object_notify(G_OBJECT(object), "accessible-value");
    }
    node->value = value;
    if (tell && (rect.left != node->rect.left || rect.top != node->rect.top ||
                 rect.right != node->rect.right || rect.bottom != node->rect.bottom)) {
      AtkRectangle r{};
      atk_component_get_extents(ATK_COMPONENT(object), &r.x, &r.y, &r.width, &r.height,
                                ATK_XY_SCREEN);
      g_signal_emit_by_name(object, "bounds-changed", &r);
    }
    node->rect = rect;
    const unsigned old_states = node->states;
    node->states = states;
    if (tell && old_states != states) {
      // The focus leaves one object before it comes to the next: losses
      // first, here and in the order of the objects.
      for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < std::size(kStates); ++i) {
          const bool was = (old_states >> i) & 1u, now = (states >> i) & 1u;
          if (was != now && now == (pass == 1))
            atk_object_notify_state_change(object, kStates[i], now ? TRUE : FALSE);
        }
      }
    }
    node->told = true;
  }

  // The object's children stay in the table until their controls go.
  void Defunct(AtkObject* object) {
    ControlNode* node = NodeOf(object);
    node->children.clear();
    node->control = nullptr;
    node->owner = nullptr;
    atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(object);
  }

  void DropAll(bool tell) {
    std::vector<AtkObject*> top = std::move(top_);
    top_.clear();
    if (tell && populated_) {
      for (size_t i = top.size(); i-- > 0;)
        g_signal_emit_by_name(panel_, "children-changed::remove", static_cast<int>(i), top[i]);
    }
    std::unordered_map<CControlUI*, AtkObject*> objects = std::move(objects_);
    objects_.clear();
    for (auto& [control, object] : objects) Defunct(object);
  }

  AtkObject* panel_;
  WindowHost* host_;
  std::unordered_map<CControlUI*, AtkObject*> objects_;  // one reference each
  std::vector<AtkObject*> top_;
  guint idle_ = 0;
  bool populated_ = false;
};

Sync* SyncOf(ControlNode* node) { return node != nullptr ? node->owner : nullptr; }

// ----- Control objects: AtkObject -----

const gchar* ControlGetName(AtkObject* object) {
  if (object->name != nullptr) return object->name;
  ControlNode* node = NodeOf(object);
  if (node->control == nullptr) return nullptr;
  return Reply(node, Utf8(a11y::NameOf(node->control)));
}

const gchar* ControlGetDescription(AtkObject* object) {
  ControlNode* node = NodeOf(object);
  if (node->control == nullptr) return nullptr;
  const std::wstring description = a11y::DescriptionOf(node->control);
  return description.empty() ? nullptr : Reply(node, Utf8(description));
}

AtkRole ControlGetRole(AtkObject* object) { return AtkRoleOf(NodeOf(object)->role); }

gint ControlGetNChildren(AtkObject* object) {
  return static_cast<gint>(NodeOf(object)->children.size());
}

AtkObject* ControlRefChild(AtkObject* object, gint i) {
  ControlNode* node = NodeOf(object);
  if (i < 0 || static_cast<size_t>(i) >= node->children.size()) return nullptr;
  return ATK_OBJECT(g_object_ref(node->children[static_cast<size_t>(i)]));
}

gint ControlGetIndexInParent(AtkObject* object) {
  AtkObject* parent = atk_object_get_parent(object);
  if (parent == nullptr) return -1;
  const gint n = atk_object_get_n_accessible_children(parent);
  for (gint i = 0; i < n; ++i) {
    AtkObject* child = atk_object_ref_accessible_child(parent, i);
    if (child != nullptr) g_object_unref(child);
    if (child == object) return i;
  }
  return -1;
}

AtkStateSet* ControlRefStateSet(AtkObject* object) {
  AtkStateSet* set = ATK_OBJECT_CLASS(ui_control_accessible_parent_class)->ref_state_set(object);
  ControlNode* node = NodeOf(object);
  Sync* sync = SyncOf(node);
  if (node->control == nullptr || sync == nullptr) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  const unsigned bits = sync->StatesOf(node->control);
  for (size_t i = 0; i < std::size(kStates); ++i) {
    if ((bits >> i) & 1u) atk_state_set_add_state(set, kStates[i]);
  }
  return set;
}

void ControlFinalize(GObject* object) {
  delete NodeOf(object);
  G_OBJECT_CLASS(ui_control_accessible_parent_class)->finalize(object);
}

// ----- AtkComponent -----

bool ScreenRect(ControlNode* node, RECT* out) {
  Sync* sync = SyncOf(node);
  GtkWidget* area = sync != nullptr ? sync->Area() : nullptr;
  GdkWindow* window = area != nullptr ? gtk_widget_get_window(area) : nullptr;
  if (node->control == nullptr || window == nullptr) return false;
  int x = 0, y = 0;
  gdk_window_get_origin(window, &x, &y);
  const RECT rc = node->control->GetPos();
  *out = {x + rc.left, y + rc.top, x + rc.right, y + rc.bottom};
  return true;
}

void ControlGetExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height,
                       AtkCoordType coords) {
  *x = *y = *width = *height = -1;
  ControlNode* node = NodeOf(component);
  RECT rc;
  if (!ScreenRect(node, &rc)) return;
  int ox = 0, oy = 0;
  if (coords == ATK_XY_WINDOW) {
    GtkWidget* area = SyncOf(node)->Area();
    GdkWindow* top = gtk_widget_get_window(gtk_widget_get_toplevel(area));
    if (top != nullptr) gdk_window_get_origin(top, &ox, &oy);
  } else if (coords == ATK_XY_PARENT) {
    AtkObject* parent = atk_object_get_parent(ATK_OBJECT(component));
    if (parent != nullptr && ATK_IS_COMPONENT(parent)) {
      gint pw = 0, ph = 0;
      atk_component_get_extents(ATK_COMPONENT(parent), &ox, &oy, &pw, &ph, ATK_XY_SCREEN);
    }
  }
  *x = rc.left - ox;
  *y = rc.top - oy;
  *width = rc.right - rc.left;
  *height = rc.bottom - rc.top;
}

gboolean ControlGrabFocus(AtkComponent* component) {
  ControlNode* node = NodeOf(component);
  Sync* sync = SyncOf(node);
  if (node->control == nullptr || sync == nullptr || !node->control->IsKeyboardEnabled() ||
      !node->control->IsShown() || !node->control->IsEnabled())
    return FALSE;
  GtkWidget* area = sync->Area();
  if (area != nullptr) {
    GtkWidget* top = gtk_widget_get_toplevel(area);
    if (GTK_IS_WINDOW(top)) gtk_window_present(GTK_WINDOW(top));
  }
  node->control->SetFocus();
  return TRUE;
}

// ----- AtkAction (buttons) -----

gboolean ClickLater(gpointer data) {
  ControlNode* node = NodeOf(data);
  if (node->control != nullptr) node->control->Activate();
  return G_SOURCE_REMOVE;
}

gboolean ButtonDoAction(AtkAction* action, gint i) {
  ControlNode* node = NodeOf(action);
  if (i != 0 || node->control == nullptr || !node->control->IsEnabled() ||
      !node->control->IsShown())
    return FALSE;
  // From the loop, as a click comes: the answer to the assistive technology
  // does not wait for what the click does (a message box, for one).
  g_idle_add_full(G_PRIORITY_DEFAULT, ClickLater, g_object_ref(action), g_object_unref);
  return TRUE;
}

gint ButtonGetNActions(AtkAction*) { return 1; }
const gchar* ButtonGetActionName(AtkAction*, gint i) { return i == 0 ? "click" : nullptr; }
const gchar* ButtonGetActionDescription(AtkAction*, gint i) {
  return i == 0 ? "点击按钮" : nullptr;
}

// ----- AtkValue (progress bars) -----

CProgressUI* BarOf(gpointer object) {
  ControlNode* node = NodeOf(object);
  return node->control != nullptr
             ? static_cast<CProgressUI*>(node->control->GetInterface(L"Progress"))
             : nullptr;
}

void SetDouble(GValue* value, double number) {
  memset(value, 0, sizeof(GValue));
  g_value_init(value, G_TYPE_DOUBLE);
  g_value_set_double(value, number);
}

void ValueGetCurrent(AtkValue* object, GValue* value) {
  CProgressUI* bar = BarOf(object);
  SetDouble(value, bar != nullptr ? bar->GetValue() : 0);
}
void ValueGetMinimum(AtkValue* object, GValue* value) {
  CProgressUI* bar = BarOf(object);
  SetDouble(value, bar != nullptr ? bar->GetMinValue() : 0);
}
void ValueGetMaximum(AtkValue* object, GValue* value) {
  CProgressUI* bar = BarOf(object);
  SetDouble(value, bar != nullptr ? bar->GetMaxValue() : 0);
}
void ValueGetIncrement(AtkValue*, GValue* value) { SetDouble(value, 0); }

void ValueGetValueAndText(AtkValue* object, gdouble* value, gchar** text) {
  CProgressUI* bar = BarOf(object);
  const int current = bar != nullptr ? bar->GetValue() : 0;
  if (value != nullptr) *value = current;
  if (text != nullptr) {
    const int span = bar != nullptr ? bar->GetMaxValue() - bar->GetMinValue() : 0;
    const int percent =
        span > 0 ? static_cast<int>((current - bar->GetMinValue()) * 100LL / span) : 0;
    *text = g_strdup_printf("%d%%", percent);
  }
}

AtkRange* ValueGetRange(AtkValue* object) {
  CProgressUI* bar = BarOf(object);
  if (bar == nullptr) return nullptr;
  return atk_range_new(bar->GetMinValue(), bar->GetMaxValue(), nullptr);
}

// ----- AtkText (labels) -----

std::wstring TextOf(gpointer object) {
  ControlNode* node = NodeOf(object);
  return node->control != nullptr ? a11y::ShownText(node->control) : std::wstring();
}

gchar* Piece(const std::wstring& text, int start, int end) {
  const int n = static_cast<int>(text.size());
  if (end < 0 || end > n) end = n;
  start = std::clamp(start, 0, n);
  if (end < start) end = start;
  return g_strdup(
      Utf8(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start))).c_str());
}

gchar* TextGetText(AtkText* object, gint start, gint end) {
  return Piece(TextOf(object), start, end);
}

gint TextGetCharacterCount(AtkText* object) { return static_cast<gint>(TextOf(object).size()); }

gunichar TextGetCharacterAtOffset(AtkText* object, gint offset) {
  const std::wstring text = TextOf(object);
  return offset >= 0 && static_cast<size_t>(offset) < text.size()
             ? static_cast<gunichar>(text[static_cast<size_t>(offset)])
             : 0;
}

gint TextGetCaretOffset(AtkText*) { return 0; }

// A label is one short line: a character, a word (up to the next blank) or
// the whole text.
gchar* StringAt(AtkText* object, gint offset, bool character, bool word, gint* start, gint* end) {
  const std::wstring text = TextOf(object);
  const int n = static_cast<int>(text.size());
  offset = std::clamp(offset, 0, n);
  int s = 0, e = n;
  if (character) {
    s = offset;
    e = std::min(n, offset + 1);
  } else if (word) {
    s = offset;
    while (s > 0 && text[static_cast<size_t>(s - 1)] != L' ') --s;
    e = offset;
    while (e < n && text[static_cast<size_t>(e)] != L' ') ++e;
  }
  *start = s;
  *end = e;
  return Piece(text, s, e);
}

gchar* TextGetStringAtOffset(AtkText* object, gint offset, AtkTextGranularity granularity,
                             gint* start, gint* end) {
  return StringAt(object, offset, granularity == ATK_TEXT_GRANULARITY_CHAR,
                  granularity == ATK_TEXT_GRANULARITY_WORD, start, end);
}

gchar* TextGetTextAtOffset(AtkText* object, gint offset, AtkTextBoundary boundary, gint* start,
                           gint* end) {
  return StringAt(
      object, offset, boundary == ATK_TEXT_BOUNDARY_CHAR,
      boundary == ATK_TEXT_BOUNDARY_WORD_START || boundary == ATK_TEXT_BOUNDARY_WORD_END, start,
      end);
}

// ----- Interface tables -----

void ControlComponentInit(AtkComponentIface* iface) {
  iface->get_extents = ControlGetExtents;
  iface->grab_focus = ControlGrabFocus;
}

void ButtonActionInit(AtkActionIface* iface) {
  iface->do_action = ButtonDoAction;
  iface->get_n_actions = ButtonGetNActions;
  iface->get_name = ButtonGetActionName;
  iface->get_localized_name = ButtonGetActionName;
  iface->get_description = ButtonGetActionDescription;
}

void ProgressValueInit(AtkValueIface* iface) {
  iface->get_current_value = ValueGetCurrent;
  iface->get_minimum_value = ValueGetMinimum;
  iface->get_maximum_value = ValueGetMaximum;
  iface->get_minimum_increment = ValueGetIncrement;
  iface->get_value_and_text = ValueGetValueAndText;
  iface->get_range = ValueGetRange;
}

void LabelTextInit(AtkTextIface* iface) {
  iface->get_text = TextGetText;
  iface->get_character_count = TextGetCharacterCount;
  iface->get_character_at_offset = TextGetCharacterAtOffset;
  iface->get_caret_offset = TextGetCaretOffset;
  iface->get_string_at_offset = TextGetStringAtOffset;
  iface->get_text_at_offset = TextGetTextAtOffset;
}

// ----- The skin area's panel -----

Sync* PanelSync(gpointer object) {
  return static_cast<Sync*>(reinterpret_cast<UiSkinAccessible*>(object)->sync);
}

gint PanelGetNChildren(AtkObject* object) {
  Sync* sync = PanelSync(object);
  return sync != nullptr ? static_cast<gint>(sync->TopChildren().size()) : 0;
}

AtkObject* PanelRefChild(AtkObject* object, gint i) {
  Sync* sync = PanelSync(object);
  if (sync == nullptr) return nullptr;
  std::vector<AtkObject*>& children = sync->TopChildren();
  if (i < 0 || static_cast<size_t>(i) >= children.size()) return nullptr;
  return ATK_OBJECT(g_object_ref(children[static_cast<size_t>(i)]));
}

AtkStateSet* PanelRefStateSet(AtkObject* object) {
  AtkStateSet* set = ATK_OBJECT_CLASS(ui_skin_accessible_parent_class)->ref_state_set(object);
  // The keyboard is on one of the controls: that control is the focused
  // object, not the panel around it.
  Sync* sync = PanelSync(object);
  CPaintManagerUI* manager = sync != nullptr ? sync->Manager() : nullptr;
  if (manager != nullptr && manager->GetFocus() != nullptr && manager->GetFocus()->IsShown())
    atk_state_set_remove_state(set, ATK_STATE_FOCUSED);
  return set;
}

void PanelInitialize(AtkObject* object, gpointer data) {
  ATK_OBJECT_CLASS(ui_skin_accessible_parent_class)->initialize(object, data);
  atk_object_set_role(object, ATK_ROLE_PANEL);
  auto* host = static_cast<WindowHost*>(g_object_get_data(G_OBJECT(data), "ui-window-host"));
  if (host == nullptr) return;
  auto* sync = new Sync(object, host);
  reinterpret_cast<UiSkinAccessible*>(object)->sync = sync;
  host->SetAccessibility(sync);
}

void PanelDetach(gpointer object) {
  auto* self = reinterpret_cast<UiSkinAccessible*>(object);
  Sync* sync = PanelSync(object);
  if (sync == nullptr) return;
  self->sync = nullptr;
  if (sync->Host() != nullptr) sync->Host()->SetAccessibility(nullptr);
  delete sync;
}

void PanelWidgetUnset(GtkAccessible* accessible) {
  PanelDetach(accessible);
  GTK_ACCESSIBLE_CLASS(ui_skin_accessible_parent_class)->widget_unset(accessible);
}

void PanelFinalize(GObject* object) {
  PanelDetach(object);
  G_OBJECT_CLASS(ui_skin_accessible_parent_class)->finalize(object);
}

}  // namespace
}  // namespace ui

static void ui_control_accessible_init(UiControlAccessible* self) {
  self->node = new ui::ControlNode;
}

static void ui_control_accessible_class_init(UiControlAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = ui::ControlFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_name = ui::ControlGetName;
  atk->get_description = ui::ControlGetDescription;
  atk->get_role = ui::ControlGetRole;
  atk->get_n_children = ui::ControlGetNChildren;
  atk->ref_child = ui::ControlRefChild;
  atk->get_index_in_parent = ui::ControlGetIndexInParent;
  atk->ref_state_set = ui::ControlRefStateSet;
}

static void ui_button_accessible_init(UiButtonAccessible*) {}
static void ui_button_accessible_class_init(UiButtonAccessibleClass*) {}
static void ui_progress_accessible_init(UiProgressAccessible*) {}
static void ui_progress_accessible_class_init(UiProgressAccessibleClass*) {}
static void ui_label_accessible_init(UiLabelAccessible*) {}
static void ui_label_accessible_class_init(UiLabelAccessibleClass*) {}

static void ui_skin_accessible_init(UiSkinAccessible* self) { self->sync = nullptr; }

static void ui_skin_accessible_class_init(UiSkinAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = ui::PanelFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->initialize = ui::PanelInitialize;
  atk->get_n_children = ui::PanelGetNChildren;
  atk->ref_child = ui::PanelRefChild;
  atk->ref_state_set = ui::PanelRefStateSet;
  GTK_ACCESSIBLE_CLASS(klass)->widget_unset = ui::PanelWidgetUnset;
}

static void ui_skin_area_init(UiSkinArea*) {}

static void ui_skin_area_class_init(UiSkinAreaClass* klass) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), ui_skin_accessible_get_type());
}

namespace ui {

GtkWidget* NewSkinArea(WindowHost* host) {
  GtkWidget* area = GTK_WIDGET(g_object_new(ui_skin_area_get_type(), nullptr));
  g_object_set_data(G_OBJECT(area), "ui-window-host", host);
  return area;
}

}  // namespace ui
