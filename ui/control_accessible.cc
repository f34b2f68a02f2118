// The accessible objects of a skin's controls over ATK.
#include "ui/control_accessible.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "platform/gobject_ptr.h"
#include "platform/unicode_text.h"
#include "ui/control_ui.h"
#include "ui/progress_ui.h"

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
    const platform::GObjectPtr<AtkObject> child =
        platform::AdoptGObject(atk_object_ref_accessible_child(parent, i));
    if (child.get() == object) return i;
  }
  return -1;
}

AtkStateSet* ControlRefStateSet(AtkObject* object) {
  AtkStateSet* set = ATK_OBJECT_CLASS(ui_control_accessible_parent_class)->ref_state_set(object);
  ControlNode* node = NodeOf(object);
  ControlOwner* sync = node->owner;
  if (node->control == nullptr || sync == nullptr) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  const unsigned bits = sync->StatesOf(node->control);
  for (size_t i = 0; i < std::size(kControlStates); ++i) {
    if ((bits >> i) & 1u) atk_state_set_add_state(set, kControlStates[i]);
  }
  return set;
}

void ControlFinalize(GObject* object) {
  delete NodeOf(object);
  G_OBJECT_CLASS(ui_control_accessible_parent_class)->finalize(object);
}

// ----- AtkComponent -----

bool ScreenRect(ControlNode* node, RECT* out) {
  ControlOwner* sync = node->owner;
  GtkWidget* area = sync != nullptr ? sync->Area() : nullptr;
  GdkWindow* window = area != nullptr ? gtk_widget_get_window(area) : nullptr;
  if (node->control == nullptr || window == nullptr) return false;
  int x = 0, y = 0;
  gdk_window_get_origin(window, &x, &y);
  const RECT rc = node->control->GetPos();
  const double zoom = sync->Zoom();
  auto at = [zoom](LONG v) { return static_cast<LONG>(std::lround(v * zoom)); };
  *out = {x + at(rc.left), y + at(rc.top), x + at(rc.right), y + at(rc.bottom)};
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
    GtkWidget* area = node->owner->Area();
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
  ControlOwner* sync = node->owner;
  if (node->control == nullptr || sync == nullptr || !node->control->IsFocusable() ||
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
  // The idle source holds the action; g_object_unref is its destroy notify.
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

namespace ui {

AtkObject* NewControlAccessible(CControlUI* control, ControlOwner* owner) {
  const a11y::Role role = a11y::RoleOf(control);
  GType type = ui_control_accessible_get_type();
  if (role == a11y::Role::kPushButton) type = ui_button_accessible_get_type();
  if (role == a11y::Role::kProgressBar) type = ui_progress_accessible_get_type();
  if (role == a11y::Role::kLabel) type = ui_label_accessible_get_type();
  AtkObject* object = ATK_OBJECT(g_object_new(type, nullptr));
  ControlNode* node = NodeOf(object);
  node->control = control;
  node->owner = owner;
  node->role = role;
  atk_object_initialize(object, nullptr);
  return object;
}

ControlNode* ControlNodeOf(AtkObject* object) {
  return object != nullptr && G_TYPE_CHECK_INSTANCE_TYPE(object, ui_control_accessible_get_type())
             ? NodeOf(object)
             : nullptr;
}

}  // namespace ui
