// Script evaluation and input for engine tests.
#include "tests/support/page_probe.h"

#include <webkit2/webkit2.h>

#include "engine/browser_impl.h"
#include "engine/cef_frame.h"
#include "tests/support/main_loop.h"

namespace test_support {

using test_support::PumpUntil;

namespace {

struct Eval {
  bool done = false;
  std::string result;
};

void EvalDone(GObject* view, GAsyncResult* res, gpointer data) {
  auto* eval = static_cast<Eval*>(data);
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), res, &error);
  if (value) {
    gchar* text = jsc_value_to_string(value);
    eval->result = text ? text : "";
    g_free(text);
    g_object_unref(value);
  } else {
    eval->result = "<error>";
    if (error) g_error_free(error);
  }
  eval->done = true;
}

}  // namespace

void* ViewOf(CefRefPtr<CefBrowser> browser) {
  auto* impl = static_cast<engine::BrowserImpl*>(browser.get());
  return impl ? impl->view() : nullptr;
}

bool LoadAndWait(CefRefPtr<CefBrowser> browser, const std::string& url) {
  browser->GetMainFrame()->LoadURL(url);
  return PumpUntil([&] {
    return EvalJs(browser, "document.URL + ' ' + document.readyState") == url + " complete";
  });
}

std::string EvalJs(CefRefPtr<CefBrowser> browser, const std::string& script, int timeout_ms) {
  return EvalInView(ViewOf(browser), script, timeout_ms);
}

std::string EvalInView(void* web_view, const std::string& script, int timeout_ms) {
  auto* view = static_cast<WebKitWebView*>(web_view);
  if (!view) return "<error>";
  auto* eval = new Eval();
  webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr, EvalDone,
                                      eval);
  PumpUntil([eval] { return eval->done; }, timeout_ms);
  std::string result = eval->done ? eval->result : "<timeout>";
  if (eval->done) delete eval;  // a late answer would still write into it otherwise
  return result;
}

bool RightClick(CefRefPtr<CefBrowser> browser, int x, int y) {
  auto* widget = static_cast<GtkWidget*>(ViewOf(browser));
  // A press is only answered once the view has its size and the web process
  // has laid the page out over the point.
  const std::string laid_out = "innerWidth > " + std::to_string(x) + " && innerHeight > " +
                               std::to_string(y) + " && document.elementFromPoint(" +
                               std::to_string(x) + ", " + std::to_string(y) + ") !== null";
  if (!PumpUntil(
          [&] { return gtk_widget_get_mapped(widget) && EvalJs(browser, laid_out) == "true"; })) {
    return false;
  }
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.button = 3;
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  return true;
}

bool AnyMenuShowing() {
  bool showing = false;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next) {
    GtkWidget* w = GTK_WIDGET(l->data);
    if (gtk_window_get_window_type(GTK_WINDOW(w)) == GTK_WINDOW_POPUP &&
        gtk_widget_get_visible(w)) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(w));
      if (child && GTK_IS_MENU(child)) showing = true;
    }
  }
  g_list_free(toplevels);
  return showing;
}

}  // namespace test_support
