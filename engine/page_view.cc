// The browser's view and its accessible object, the page: a socket that
// WebKit plugs the page's tree into, with the name, states and extents of
// the view.
#include "engine/page_view.h"

#include <gtk/gtk.h>

#include <initializer_list>

extern "C" {

struct EnginePageView {
  WebKitWebView parent;
  AtkObject* page;  // the view's accessible object; owned
};
struct EnginePageViewClass {
  WebKitWebViewClass parent_class;
};

struct EnginePageAccessible {
  AtkSocket parent;
  GtkWidget* view;  // weak: null once the view has gone
};
struct EnginePageAccessibleClass {
  AtkSocketClass parent_class;
};

}  // extern "C"

namespace engine {
namespace {

void PageComponentInit(AtkComponentIface* iface);

}  // namespace
}  // namespace engine

G_DEFINE_TYPE(EnginePageView, engine_page_view, WEBKIT_TYPE_WEB_VIEW)
G_DEFINE_TYPE_WITH_CODE(EnginePageAccessible, engine_page_accessible, ATK_TYPE_SOCKET,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, engine::PageComponentInit))

namespace engine {
namespace {

GtkWidget* ViewOf(gpointer object) { return reinterpret_cast<EnginePageAccessible*>(object)->view; }

const gchar* PageGetName(AtkObject* object) {
  if (object->name != nullptr) return object->name;
  GtkWidget* view = ViewOf(object);
  return view != nullptr ? webkit_web_view_get_title(WEBKIT_WEB_VIEW(view)) : nullptr;
}

AtkStateSet* PageRefStateSet(AtkObject* object) {
  AtkStateSet* set = atk_state_set_new();
  GtkWidget* view = ViewOf(object);
  if (view == nullptr) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  if (gtk_widget_is_sensitive(view)) {
    atk_state_set_add_state(set, ATK_STATE_ENABLED);
    atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
  }
  if (gtk_widget_get_can_focus(view)) atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
  if (gtk_widget_has_focus(view)) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  if (gtk_widget_get_visible(view)) atk_state_set_add_state(set, ATK_STATE_VISIBLE);
  if (gtk_widget_get_mapped(view)) atk_state_set_add_state(set, ATK_STATE_SHOWING);
  return set;
}

gint PageGetIndexInParent(AtkObject* object) {
  AtkObject* parent = atk_object_get_parent(object);
  const gint n = parent != nullptr ? atk_object_get_n_accessible_children(parent) : 0;
  for (gint i = 0; i < n; ++i) {
    g_autoptr(AtkObject) child = atk_object_ref_accessible_child(parent, i);
    if (child == object) return i;
  }
  return -1;
}

void PageInitialize(AtkObject* object, gpointer data) {
  ATK_OBJECT_CLASS(engine_page_accessible_parent_class)->initialize(object, data);
  auto* self = reinterpret_cast<EnginePageAccessible*>(object);
  self->view = GTK_WIDGET(data);
  g_object_add_weak_pointer(G_OBJECT(self->view), reinterpret_cast<gpointer*>(&self->view));
  atk_object_set_role(object, ATK_ROLE_DOCUMENT_FRAME);
}

void PageFinalize(GObject* object) {
  auto* self = reinterpret_cast<EnginePageAccessible*>(object);
  if (self->view != nullptr)
    g_object_remove_weak_pointer(G_OBJECT(self->view), reinterpret_cast<gpointer*>(&self->view));
  G_OBJECT_CLASS(engine_page_accessible_parent_class)->finalize(object);
}

void PageGetExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height,
                    AtkCoordType coords) {
  *x = *y = *width = *height = -1;
  GtkWidget* view = ViewOf(component);
  GdkWindow* window = view != nullptr ? gtk_widget_get_window(view) : nullptr;
  if (window == nullptr) return;
  GtkAllocation allocation;
  gtk_widget_get_allocation(view, &allocation);
  int ox = 0, oy = 0;
  gdk_window_get_origin(window, &ox, &oy);
  if (!gtk_widget_get_has_window(view)) {
    ox += allocation.x;
    oy += allocation.y;
  }
  if (coords == ATK_XY_WINDOW) {
    int tx = 0, ty = 0;
    gdk_window_get_origin(gtk_widget_get_window(gtk_widget_get_toplevel(view)), &tx, &ty);
    ox -= tx;
    oy -= ty;
  }
  *x = ox;
  *y = oy;
  *width = allocation.width;
  *height = allocation.height;
}

gboolean PageGrabFocus(AtkComponent* component) {
  GtkWidget* view = ViewOf(component);
  if (view == nullptr || !gtk_widget_get_can_focus(view)) return FALSE;
  gtk_widget_grab_focus(view);
  return TRUE;
}

void PageComponentInit(AtkComponentIface* iface) {
  iface->get_extents = PageGetExtents;
  iface->grab_focus = PageGrabFocus;
}

void OnTitle(GObject*, GParamSpec*, gpointer page) {
  g_object_notify(G_OBJECT(page), "accessible-name");
}

void OnFocusChange(GtkWidget*, GdkEventFocus* event, gpointer page) {
  atk_object_notify_state_change(ATK_OBJECT(page), ATK_STATE_FOCUSED, event->in);
}

// Screen readers keep the states they were told: every change is told.
void OnShownOrSensitive(GtkWidget* view, gpointer page) {
  const bool sensitive = gtk_widget_is_sensitive(view);
  AtkObject* object = ATK_OBJECT(page);
  atk_object_notify_state_change(object, ATK_STATE_VISIBLE, gtk_widget_get_visible(view));
  atk_object_notify_state_change(object, ATK_STATE_SHOWING, gtk_widget_get_mapped(view));
  atk_object_notify_state_change(object, ATK_STATE_ENABLED, sensitive);
  atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, sensitive);
  atk_object_notify_state_change(object, ATK_STATE_FOCUSABLE, gtk_widget_get_can_focus(view));
}

void OnPropertyChange(GtkWidget* view, GParamSpec*, gpointer page) {
  OnShownOrSensitive(view, page);
}

// WebKit asks for the view's accessible object to plug the page's tree into
// it: the page is that object.
AtkObject* ViewGetAccessible(GtkWidget* widget) {
  auto* self = reinterpret_cast<EnginePageView*>(widget);
  if (self->page == nullptr) {
    self->page = ATK_OBJECT(g_object_new(engine_page_accessible_get_type(), nullptr));
    atk_object_initialize(self->page, widget);
    g_signal_connect_object(widget, "notify::title", G_CALLBACK(OnTitle), self->page,
                            static_cast<GConnectFlags>(0));
    g_signal_connect_object(widget, "focus-in-event", G_CALLBACK(OnFocusChange), self->page,
                            G_CONNECT_AFTER);
    g_signal_connect_object(widget, "focus-out-event", G_CALLBACK(OnFocusChange), self->page,
                            G_CONNECT_AFTER);
    for (const char* signal : {"map", "unmap"})
      g_signal_connect_object(widget, signal, G_CALLBACK(OnShownOrSensitive), self->page,
                              G_CONNECT_AFTER);
    for (const char* signal : {"notify::visible", "notify::sensitive"})
      g_signal_connect_object(widget, signal, G_CALLBACK(OnPropertyChange), self->page,
                              G_CONNECT_AFTER);
  }
  if (atk_object_get_parent(self->page) == nullptr) {
    if (GtkWidget* parent = gtk_widget_get_parent(widget))
      atk_object_set_parent(self->page, gtk_widget_get_accessible(parent));
  }
  return self->page;
}

void ViewDispose(GObject* object) {
  g_clear_object(&reinterpret_cast<EnginePageView*>(object)->page);
  G_OBJECT_CLASS(engine_page_view_parent_class)->dispose(object);
}

}  // namespace

GType PageViewType() { return engine_page_view_get_type(); }

}  // namespace engine

static void engine_page_view_init(EnginePageView* self) { self->page = nullptr; }

static void engine_page_view_class_init(EnginePageViewClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = engine::ViewDispose;
  GTK_WIDGET_CLASS(klass)->get_accessible = engine::ViewGetAccessible;
}

static void engine_page_accessible_init(EnginePageAccessible* self) { self->view = nullptr; }

static void engine_page_accessible_class_init(EnginePageAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = engine::PageFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->initialize = engine::PageInitialize;
  atk->get_name = engine::PageGetName;
  atk->ref_state_set = engine::PageRefStateSet;
  atk->get_index_in_parent = engine::PageGetIndexInParent;
}
