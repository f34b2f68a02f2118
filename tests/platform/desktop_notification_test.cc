// Desktop notifications reach the session's notification service (here one
// of the test's own, on a private bus) with the client's name, the title, the
// text and the desktop entry; the text is escaped where the service reads
// markup.
#include "platform/desktop_notification.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/main_loop.h"

namespace {

using test_support::ChildProcess;
using test_support::PumpUntil;

constexpr char kInterface[] =
    "<node><interface name='org.freedesktop.Notifications'>"
    "<method name='GetCapabilities'><arg type='as' direction='out'/></method><method name='Notify'>"
    "<arg type='s' direction='in'/><arg type='u' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='as' direction='in'/>"
    "<arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
    "<arg type='u' direction='out'/></method></interface></node>";

struct Notice {
  std::string app, summary, body, entry;
};

struct Service {
  std::vector<Notice> notices;
  std::vector<const char*> capabilities{"body"};
  bool owned = false;
};

void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
  auto* service = static_cast<Service*>(data);
  if (g_strcmp0(method, "GetCapabilities") == 0) {
    GVariantBuilder names;
    g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
    for (const char* name : service->capabilities) g_variant_builder_add(&names, "s", name);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(as)", &names));
    return;
  }
  const gchar* app = nullptr;
  const gchar* summary = nullptr;
  const gchar* body = nullptr;
  GVariant* hints = nullptr;
  g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &app, nullptr, nullptr, &summary, &body,
                nullptr, &hints, nullptr);
  const gchar* entry = "";
  g_variant_lookup(hints, "desktop-entry", "&s", &entry);
  service->notices.push_back({app, summary, body, entry});
  g_variant_unref(hints);
  g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 1u));
}

TEST(DesktopNotification, ReachesTheSessionsServiceWithTitleTextAndEntry) {
  ChildProcess bus({"dbus-daemon", "--session", "--nofork", "--print-address=1"});
  const std::string address = bus.ReadLine();
  ASSERT_FALSE(address.empty()) << "no private session bus";
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);

  GError* error = nullptr;
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  ASSERT_NE(connection, nullptr) << (error != nullptr ? error->message : "");
  Service service;
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
  const GDBusInterfaceVTable vtable{OnCall, nullptr, nullptr, {}};
  g_dbus_connection_register_object(connection, "/org/freedesktop/Notifications",
                                    node->interfaces[0], &vtable, &service, nullptr, nullptr);
  const guint name = g_bus_own_name_on_connection(
      connection, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, gpointer data) {
        static_cast<Service*>(data)->owned = true;
      },
      nullptr, &service, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return service.owned; }));

  platform::ShowDesktopNotification(L"下载完成", L"a.pdf");
  platform::ShowDesktopNotification(L"下载失败", L"b.pdf：连接中断");
  ASSERT_TRUE(PumpUntil([&] { return service.notices.size() == 2; }));
  EXPECT_EQ(service.notices[0].app, "Quorbital");
  EXPECT_EQ(service.notices[0].summary, "下载完成");
  EXPECT_EQ(service.notices[0].body, "a.pdf");
  EXPECT_EQ(service.notices[0].entry, "quorbital");
  EXPECT_EQ(service.notices[1].summary, "下载失败");
  EXPECT_EQ(service.notices[1].body, "b.pdf：连接中断");

  // A file name that looks like markup is text: escaped for a service that
  // reads markup, as it is for one that does not.
  const wchar_t kName[] = L"<b>a</b> & <a href=\"x\"><img src=\"y\">.pdf";
  platform::ShowDesktopNotification(L"<i>t</i>", kName);
  ASSERT_TRUE(PumpUntil([&] { return service.notices.size() == 3; }));
  service.capabilities = {"body", "body-markup", "body-hyperlinks", "body-images"};
  platform::ShowDesktopNotification(L"<i>t</i>", kName);
  ASSERT_TRUE(PumpUntil([&] { return service.notices.size() == 4; }));
  EXPECT_EQ(service.notices[2].body, "<b>a</b> & <a href=\"x\"><img src=\"y\">.pdf");
  EXPECT_EQ(service.notices[3].body,
            "&lt;b&gt;a&lt;/b&gt; &amp; &lt;a href=\"x\"&gt;&lt;img src=\"y\"&gt;.pdf");
  EXPECT_EQ(service.notices[3].summary, "<i>t</i>") << "the title is never markup";

  g_bus_unown_name(name);
  g_dbus_node_info_unref(node);
  g_object_unref(connection);
}

}  // namespace
