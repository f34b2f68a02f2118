// The web process extension's entry: WebKit calls it once in each web
// process. It marks the process as a renderer, connects the engine's renderer
// side and runs the application's renderer role, which hands the engine its
// application object. Compiled into each extension module.
#include <webkit2/webkit-web-extension.h>

#include <cstring>
#include <string>

#include "engine/cef_renderer_role.h"
#include "engine/process_message_codec.h"
#include "engine/process_state.h"
#include "engine/webext/renderer_state.h"
#include "platform/copydata_channel.h"
#include "platform/process_paths.h"

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant* user_data) {
  engine::EnterRendererProcess(engine::RendererState::AdoptApp);
  engine::RendererState::Start(extension);
  CefMainArgs args;
  // The client passes "(sssav)": the role's command line, this process's
  // secret, the window registry's folder and the extra information its
  // application object adds for each renderer.
  GVariant* data = const_cast<GVariant*>(user_data);
  if (data && g_variant_is_of_type(data, G_VARIANT_TYPE("(sssav)"))) {
    const gchar* line = nullptr;
    const gchar* credential = nullptr;
    const gchar* registry = nullptr;
    GVariant* extra = nullptr;
    g_variant_get(data, "(&s&s&s@av)", &line, &credential, &registry, &extra);
    args.command_line = CefString(line).ToWString();
    engine::RendererState::SetCredential(credential);
    platform::channel::SetSenderCredential(credential);
    platform::channel::SetSenderOrder(engine::RendererState::OrderForNextMessage);
    if (const gchar* slash = std::strrchr(registry, '/'); slash && slash != registry) {
      // The registry's folder is the client's runtime directory, or, in a
      // confined process, a private one that WebKit made in its place.
      platform::UseRuntimeDir(std::string(registry, slash));
      platform::channel::UseRegistryDirectory(registry);
    }
    engine::RendererState::SetExtraInfo(engine::DecodeArguments(extra));
    g_variant_unref(extra);
  }
  // The role is that of a renderer whatever the client passed.
  if (args.command_line.find(L"--type=renderer") == std::wstring::npos) {
    args.command_line = L"quorbital --type=renderer";
  }
  RunRendererRole(args);
}
