// Desktop notifications over GIO's D-Bus: one asynchronous Notify call on the
// session bus, whose answer (or error, when no service runs) is not awaited.
#include "platform/desktop_notification.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include "platform/gobject_ptr.h"
#include "platform/log.h"
#include "platform/unicode_text.h"

namespace platform {
namespace {

// A service that does not answer within this time is given up.
constexpr int kCallTimeoutMs = 5000;
// How long the notice shows: the service's own default.
constexpr gint32 kDefaultExpiry = -1;

void OnNotified(GObject* source, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply != nullptr) g_variant_unref(reply);
  if (error != nullptr) {
    Log("notification: not shown: %s", error->message);
    g_error_free(error);
  }
}

void OnBus(GObject*, GAsyncResult* result, gpointer data) {
  GVariant* parameters = static_cast<GVariant*>(data);
  GError* error = nullptr;
  const GObjectPtr<GDBusConnection> bus = AdoptGObject(g_bus_get_finish(result, &error));
  if (!bus) {
    Log("notification: no session bus: %s", error != nullptr ? error->message : "");
    if (error != nullptr) g_error_free(error);
    g_variant_unref(parameters);
    return;
  }
  // A desktop without a running service does not get one started for this.
  g_dbus_connection_call(
      bus.get(), "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
      "org.freedesktop.Notifications", "Notify", parameters, G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, OnNotified, nullptr);
  g_variant_unref(parameters);
}

// Whether the session has a bus: its address is set, or the bus's socket is
// where desktops put it. GIO would otherwise start a bus of its own for the
// question (through dbus-launch), which a session without one does not want.
bool HasSessionBus() {
  if (g_getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return true;
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) return false;
  gchar* socket = g_build_filename(runtime, "bus", nullptr);
  const bool exists = g_file_test(socket, G_FILE_TEST_EXISTS);
  g_free(socket);
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

void ShowDesktopNotification(const std::wstring& title, const std::wstring& body) {
  if (!HasSessionBus()) return;
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("quorbital"));
  g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string("transfer"));
  GVariant* parameters = g_variant_ref_sink(
      g_variant_new("(susssasa{sv}i)", "Quorbital", 0u, "quorbital", WideToUtf8(title).c_str(),
                    WideToUtf8(body).c_str(), &actions, &hints, kDefaultExpiry));
  g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnBus, parameters);
}

}  // namespace platform
