// The web process extension's entry: WebKit calls it once in each web
// process. It marks the process as a renderer, connects the engine's renderer
// side and runs the application's renderer role, which hands the engine its
// application object. Compiled into each extension module.
#include <webkit2/webkit-web-extension.h>

#include "engine/cef_renderer_role.h"
#include "engine/process_message_codec.h"
#include "engine/process_state.h"
#include "engine/webext/renderer_state.h"

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant* user_data) {
  engine::EnterRendererProcess(engine::RendererState::AdoptApp);
  engine::RendererState::Start(extension);
  CefMainArgs args;
  // The client passes "(sav)": the role's command line and the extra
  // information its application object adds for each renderer.
  GVariant* data = const_cast<GVariant*>(user_data);
  if (data && g_variant_is_of_type(data, G_VARIANT_TYPE("(sav)"))) {
    GVariant* line = g_variant_get_child_value(data, 0);
    GVariant* extra = g_variant_get_child_value(data, 1);
    args.command_line = CefString(g_variant_get_string(line, nullptr)).ToWString();
    engine::RendererState::SetExtraInfo(engine::DecodeArguments(extra));
    g_variant_unref(extra);
    g_variant_unref(line);
  }
  // The role is that of a renderer whatever the client passed.
  if (args.command_line.find(L"--type=renderer") == std::wstring::npos) {
    args.command_line = L"quorbital --type=renderer";
  }
  RunRendererRole(args);
}
