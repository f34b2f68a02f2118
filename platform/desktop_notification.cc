// Desktop notifications over GIO's D-Bus: the service's capabilities, then one
// Notify call on the session bus, whose answer (or error, when no service
// runs) is not awaited; nothing here blocks. Notices go out one after the
// other in the order they were asked for: the session bus is got anew for each,
// and two gets that wait for the same connection may finish in either order.
#include "platform/desktop_notification.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <deque>
#include <memory>

#include "platform/gobject_ptr.h"
#include "platform/log.h"
#include "platform/unicode_text.h"

namespace platform {
namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
// A service that does not answer within this time is given up.
constexpr int kCallTimeoutMs = 5000;
// How long the notice shows: the service's own default.
constexpr gint32 kDefaultExpiry = -1;

void OnNotified(GObject* source, GAsyncResult* result, gpointer) {
  g_autoptr(GError) error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply != nullptr) g_variant_unref(reply);
  if (error != nullptr) {
    Log("notification: not shown: %s", error->message);
  }
}

// One notice on its way: its texts until the service has said whether it
// reads markup, then the bus it goes out on.
struct Notice {
  std::string title;
  std::string body;
  GObjectPtr<GDBusConnection> bus;
};

// The notices asked for and not yet sent; the first one is on its way.
std::deque<std::unique_ptr<Notice>>& Waiting() {
  static auto* waiting = new std::deque<std::unique_ptr<Notice>>;
  return *waiting;
}

void OnBus(GObject*, GAsyncResult* result, gpointer);

// The first notice is done with (sent or given up): the next one goes.
void SendNext() {
  Waiting().pop_front();
  if (!Waiting().empty()) g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnBus, nullptr);
}

// Whether the service's capabilities (GetCapabilities' reply) announce body
// markup. A service that cannot say is taken to read it, so nothing that
// looks like markup reaches it unescaped.
bool AnnouncesMarkup(GVariant* capabilities) {
  if (capabilities == nullptr) return true;
  GVariantIter* names = nullptr;
  g_variant_get(capabilities, "(as)", &names);
  bool markup = false;
  const gchar* name = nullptr;
  while (g_variant_iter_next(names, "&s", &name))
    markup = markup || g_strcmp0(name, "body-markup") == 0;
  g_variant_iter_free(names);
  return markup;
}

void OnCapabilities(GObject* source, GAsyncResult* result, gpointer) {
  Notice* notice = Waiting().front().get();
  g_autoptr(GError) error = nullptr;
  GVariant* capabilities = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (error != nullptr) {
    Log("notification: the service's capabilities are unknown: %s", error->message);
  }
  // The title is plain text to every service; the body is markup to those
  // that announce it, and a file name in it is text all the same.
  const std::string body =
      AnnouncesMarkup(capabilities) ? EscapeNotificationMarkup(notice->body) : notice->body;
  if (capabilities != nullptr) g_variant_unref(capabilities);
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("quorbital"));
  g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string("transfer"));
  g_dbus_connection_call(
      notice->bus.get(), kService, kPath, kService, "Notify",
      g_variant_new("(susssasa{sv}i)", "Quorbital", 0u, "quorbital", notice->title.c_str(),
                    body.c_str(), &actions, &hints, kDefaultExpiry),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, OnNotified,
      nullptr);
  SendNext();
}

void OnBus(GObject*, GAsyncResult* result, gpointer) {
  Notice* notice = Waiting().front().get();
  g_autoptr(GError) error = nullptr;
  notice->bus = AdoptGObject(g_bus_get_finish(result, &error));
  if (!notice->bus) {
    Log("notification: no session bus: %s", error != nullptr ? error->message : "");
    SendNext();
    return;
  }
  // A desktop without a running service does not get one started for this.
  GDBusConnection* bus = notice->bus.get();
  g_dbus_connection_call(bus, kService, kPath, kService, "GetCapabilities", nullptr,
                         G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs,
                         nullptr, OnCapabilities, nullptr);
}

// Whether the session has a bus: its address is set, or the bus's socket is
// where desktops put it. GIO would otherwise start a bus of its own for the
// question (through dbus-launch), which a session without one does not want.
bool HasSessionBus() {
  if (g_getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return true;
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return false;
  g_autofree gchar* socket = g_build_filename(runtime, "bus", nullptr);
  const bool exists = g_file_test(socket, G_FILE_TEST_EXISTS);
  return exists;
}

}  // namespace

bool IsAnyWindowActive() {
  GList* windows = gtk_window_list_toplevels();
  bool active = false;
  for (GList* w = windows; w != nullptr && !active; w = w->next) {
    active = gtk_window_is_active(GTK_WINDOW(w->data)) != FALSE;
  }
  g_list_free(windows);
  return active;
}

std::string EscapeNotificationMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void ShowDesktopNotification(const std::wstring& title, const std::wstring& body) {
  if (!HasSessionBus()) return;
  Waiting().push_back(std::make_unique<Notice>(Notice{WideToUtf8(title), WideToUtf8(body), {}}));
  if (Waiting().size() == 1) g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnBus, nullptr);
}

}  // namespace platform
