// The skin area's accessible objects over ATK: the area's panel, and the
// catching up of its controls' objects (control_accessible.h) that tells
// assistive technologies what changed.
#include "ui/skin_accessible.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/gobject_ptr.h"
#include "platform/unicode_text.h"
#include "ui/accessible_info.h"
#include "ui/button_ui.h"
#include "ui/control_accessible.h"
#include "ui/paint_manager_ui.h"
#include "ui/progress_ui.h"
#include "ui/window_host.h"

extern "C" {

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

G_DEFINE_TYPE(UiSkinAccessible, ui_skin_accessible, GTK_TYPE_WIDGET_ACCESSIBLE)
G_DEFINE_TYPE(UiSkinArea, ui_skin_area, GTK_TYPE_DRAWING_AREA)

namespace ui {
namespace {

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

// The place of ATK_STATE_FOCUSED among kControlStates.
constexpr unsigned kFocusedBit = 1u << 5;
static_assert(kControlStates[5] == ATK_STATE_FOCUSED);

// A name or description whose figures keep changing (a running download's
// row) is told again at most this often; screen readers read progress at
// about this pace. The first change after a quiet spell, and any change of
// its words (正在下载 to 正在取消), is told at once.
constexpr gint64 kRetellInterval = gint64{10} * G_USEC_PER_SEC;

// Whether two texts differ in their digits only.
bool OnlyFiguresDiffer(const std::string& a, const std::string& b) {
  auto words = [](std::string text) {
    std::erase_if(text, [](char c) { return c >= '0' && c <= '9'; });
    return text;
  };
  return words(a) == words(b);
}

// The catching up of one skin area's objects with its controls.
class Sync : public SkinAccessibility, public ControlOwner {
 public:
  Sync(AtkObject* panel, WindowHost* host) : panel_(panel), host_(host) {}
  ~Sync() override {
    if (idle_ != 0) g_source_remove(idle_);
    if (retell_ != 0) g_source_remove(retell_);
    DropAll(false);
  }

  void Changed(CControlUI* control) override {
    if (control == nullptr) {
      everything_ = true;
    } else {
      changed_.insert(control);
    }
    if (idle_ == 0) idle_ = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OnIdle, this, nullptr);
  }

  void Forget(CControlUI* control) override {
    changed_.erase(control);
    deferred_.erase(control);
    described_.erase(control);
    auto it = objects_.find(control);
    if (it == objects_.end()) return;
    AtkObject* object = it->second.get();
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
    platform::GObjectPtr<AtkObject> owned = std::move(it->second);
    objects_.erase(it);
    Defunct(std::move(owned));
  }

  void Reset() override {
    DropAll(true);
    Changed(nullptr);
  }

  void FocusMoved(CControlUI* from, CControlUI* to) override {
    if (populated_) TellFocus(from, to);
  }

  // The focus changed, between controls or with the keyboard coming to the
  // skin or leaving it: told at once, the loss before the gain. An object
  // for a control not presented so far comes with a full catching up.
  void TellFocus(CControlUI* from, CControlUI* to) {
    bool missing = !populated_;
    for (CControlUI* c : {from, to}) {
      if (c != nullptr && a11y::RoleOf(c) != a11y::Role::kNone && objects_.count(c) == 0)
        missing = true;
    }
    if (missing) {
      everything_ = true;
      CatchUp();
    }
    for (CControlUI* c : {from, to}) {
      auto it = c != nullptr ? objects_.find(c) : objects_.end();
      if (it != objects_.end()) Tell(it->second.get(), ControlNodeOf(it->second.get()));
    }
  }

  void Detach() override {
    if (idle_ != 0) g_source_remove(idle_);
    idle_ = 0;
    if (retell_ != 0) g_source_remove(retell_);
    retell_ = 0;
    DropAll(false);
    host_ = nullptr;
  }

  GtkWidget* Area() const override { return host_ != nullptr ? host_->SkinWidget() : nullptr; }
  double Zoom() const override { return host_ != nullptr ? host_->Zoom() : 1; }
  CPaintManagerUI* Manager() const { return host_ != nullptr ? host_->Manager() : nullptr; }
  WindowHost* Host() const { return host_; }

  std::vector<AtkObject*>& TopChildren() {
    if (!populated_) CatchUp();
    return top_;
  }

  unsigned StatesOf(CControlUI* control) const override {
    GtkWidget* area = Area();
    CPaintManagerUI* manager = Manager();
    const bool shown = control->IsShown();
    bool enabled = true;
    for (CControlUI* c = control; c != nullptr; c = c->GetParent())
      enabled = enabled && c->IsEnabled();
    const bool focusable = control->IsFocusable() && enabled;
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
    for (size_t i = 0; i < std::size(kControlStates); ++i) bits |= on[i] ? (1u << i) : 0;
    return bits;
  }

  void CatchUp() {
    if (idle_ != 0) {
      g_source_remove(idle_);
      idle_ = 0;
    }
    // A change of some controls' looks or texts is told by those controls'
    // objects and the ones above them (a row is named by its first label):
    // a long list is not walked for one row's progress.
    if (populated_ && !everything_ && CatchUpChanged()) return;
    everything_ = false;
    changed_.clear();
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
  // False when a change may have changed which controls are presented (a
  // label got or lost its text): then everything is caught up.
  bool CatchUpChanged() {
    std::unordered_set<CControlUI*> changed = std::move(changed_);
    changed_.clear();
    for (CControlUI* control : changed) {
      auto it = objects_.find(control);
      const bool presented = a11y::RoleOf(control) != a11y::Role::kNone;
      if ((it != objects_.end()) != presented) return false;
    }
    std::unordered_set<CControlUI*> told;
    auto tell = [&](CControlUI* c) {
      auto it = objects_.find(c);
      if (it != objects_.end() && told.insert(c).second)
        Tell(it->second.get(), ControlNodeOf(it->second.get()));
    };
    for (CControlUI* control : changed) {
      for (CControlUI* c = control; c != nullptr; c = c->GetParent()) tell(c);
      // The buttons of a row are described by the row's name.
      if (CControlUI* row = RowAround(control)) {
        for (CControlUI* c : Below(row)) tell(c);
      }
    }
    // And controls described by another control's text.
    for (CControlUI* c : described_) tell(c);
    return true;
  }

  static CControlUI* RowAround(CControlUI* control) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
      if (a11y::RoleOf(c) == a11y::Role::kListItem) return c;
    }
    return nullptr;
  }

  // The presented controls anywhere below control.
  static std::vector<CControlUI*> Below(CControlUI* control) {
    std::vector<CControlUI*> out;
    for (CControlUI* c : a11y::PresentedChildren(control)) {
      out.push_back(c);
      for (CControlUI* d : Below(c)) out.push_back(d);
    }
    return out;
  }

  static gboolean OnRetell(gpointer data) {
    auto* self = static_cast<Sync*>(data);
    self->retell_ = 0;
    for (CControlUI* c : self->deferred_) self->changed_.insert(c);
    self->deferred_.clear();
    self->CatchUp();
    return G_SOURCE_REMOVE;
  }

  // A name or description change told again too soon waits until due.
  void Defer(CControlUI* control, gint64 due) {
    deferred_.insert(control);
    if (retell_ != 0) return;
    const gint64 wait = std::max<gint64>(0, due - g_get_monotonic_time());
    retell_ = g_timeout_add(static_cast<guint>(wait / 1000 + 1), OnRetell, this);
  }

  static gboolean OnIdle(gpointer data) {
    auto* self = static_cast<Sync*>(data);
    self->idle_ = 0;
    self->CatchUp();
    return G_SOURCE_REMOVE;
  }

  std::vector<AtkObject*>* ChildrenOf(AtkObject* parent) {
    if (parent == panel_) return &top_;
    ControlNode* node = ControlNodeOf(parent);
    return node != nullptr && node->owner == this ? &node->children : nullptr;
  }

  AtkObject* ObjectFor(CControlUI* control, AtkObject* parent) {
    auto it = objects_.find(control);
    AtkObject* object = nullptr;
    if (it != objects_.end()) {
      object = it->second.get();
    } else {
      object = NewControlAccessible(control, this);
      objects_[control] = platform::AdoptGObject(object);
      if (!control->GetDescribedBy().IsEmpty()) described_.insert(control);
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
      ControlNode* node = ControlNodeOf(object);
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
    const bool focused = (states & kFocusedBit) != 0;
    if (focused && !node->focus_told) {
      // The screen reader reads the name and description with the focus.
      node->name = name;
      node->description = description;
      node->text_told_at = 0;
    }
    if (tell && text != node->text) {
      g_signal_emit_by_name(object, "text-changed::delete", 0, static_cast<int>(node->text.size()));
      node->text = text;
      g_signal_emit_by_name(object, "text-changed::insert", 0, static_cast<int>(text.size()));
    }
    node->text = text;
    const bool renamed = name != node->name || description != node->description;
    const gint64 now = g_get_monotonic_time();
    const bool figures_only =
        OnlyFiguresDiffer(name, node->name) && OnlyFiguresDiffer(description, node->description);
    if (tell && renamed && figures_only && node->text_told_at != 0 &&
        now - node->text_told_at < kRetellInterval) {
      Defer(control, node->text_told_at + kRetellInterval);
    } else {
      if (tell && renamed) node->text_told_at = now;
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
    }
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
    if (tell && (old_states & ~kFocusedBit) != (states & ~kFocusedBit)) {
      for (size_t i = 0; i < std::size(kControlStates); ++i) {
        const bool was = (old_states >> i) & 1u, now = (states >> i) & 1u;
        if (was != now && (1u << i) != kFocusedBit)
          atk_object_notify_state_change(object, kControlStates[i], now ? TRUE : FALSE);
      }
    }
    // The focus is told whenever it changes once anyone looks, also for an
    // object that just appeared (the button that replaced the focused one).
    if (populated_) {
      if (focused != node->focus_told)
        atk_object_notify_state_change(object, ATK_STATE_FOCUSED, focused ? TRUE : FALSE);
      node->focus_told = focused;
    }
    node->told = true;
  }

  // The object's children stay in the table until their controls go. The
  // table's reference goes last.
  void Defunct(platform::GObjectPtr<AtkObject> object) {
    ControlNode* node = ControlNodeOf(object.get());
    node->children.clear();
    node->control = nullptr;
    node->owner = nullptr;
    atk_object_notify_state_change(object.get(), ATK_STATE_DEFUNCT, TRUE);
  }

  void DropAll(bool tell) {
    std::vector<AtkObject*> top = std::move(top_);
    top_.clear();
    if (tell && populated_) {
      for (size_t i = top.size(); i-- > 0;)
        g_signal_emit_by_name(panel_, "children-changed::remove", static_cast<int>(i), top[i]);
    }
    std::unordered_map<CControlUI*, platform::GObjectPtr<AtkObject>> objects = std::move(objects_);
    objects_.clear();
    for (auto& [control, object] : objects) Defunct(std::move(object));
  }

  AtkObject* panel_;
  WindowHost* host_;
  std::unordered_map<CControlUI*, platform::GObjectPtr<AtkObject>> objects_;
  std::vector<AtkObject*> top_;
  std::unordered_set<CControlUI*> changed_;    // since the last catching up
  std::unordered_set<CControlUI*> deferred_;   // told again when due
  std::unordered_set<CControlUI*> described_;  // described by another control
  bool everything_ = false;
  guint idle_ = 0;
  guint retell_ = 0;
  bool populated_ = false;
};

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
  // object, never the panel around it.
  atk_state_set_remove_state(set, ATK_STATE_FOCUSED);
  return set;
}

void PanelFocusEvent(AtkObject* object, gboolean) {
  // The keyboard came to the skin or left it: the focused control tells it,
  // in place of the panel.
  Sync* sync = PanelSync(object);
  CPaintManagerUI* manager = sync != nullptr ? sync->Manager() : nullptr;
  if (manager != nullptr) sync->TellFocus(nullptr, manager->GetFocus());
}

void PanelInitialize(AtkObject* object, gpointer data) {
  ATK_OBJECT_CLASS(ui_skin_accessible_parent_class)->initialize(object, data);
  // The drawing area is there for technical reasons only: its controls are
  // what people meet. As such GTK never reports it as the focused object
  // (the keyboard is on one of the controls, which tell it themselves) and
  // screen readers pass over it.
  atk_object_set_role(object, ATK_ROLE_REDUNDANT_OBJECT);
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

static void ui_skin_accessible_init(UiSkinAccessible* self) { self->sync = nullptr; }

static void ui_skin_accessible_class_init(UiSkinAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = ui::PanelFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->initialize = ui::PanelInitialize;
  atk->get_n_children = ui::PanelGetNChildren;
  atk->ref_child = ui::PanelRefChild;
  atk->ref_state_set = ui::PanelRefStateSet;
  atk->focus_event = ui::PanelFocusEvent;
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
