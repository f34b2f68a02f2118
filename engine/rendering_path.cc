// Choosing between WebKit's accelerated compositing and its non-accelerated
// path.
#include "engine/rendering_path.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <gdk/gdk.h>
#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>
#include <glib.h>

#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "platform/own_environment.h"

namespace engine {
namespace {

constexpr unsigned kGlRenderer = 0x1F01;  // GL_RENDERER

bool VariableSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

// WebKit's own switches; a user who set one gets what WebKit makes of it.
bool WebKitVariableSet() {
  return VariableSet("WEBKIT_DISABLE_COMPOSITING_MODE") ||
         VariableSet("WEBKIT_FORCE_COMPOSITING_MODE");
}

EGLDisplay DisplayOfGdk() {
  GdkDisplay* display = gdk_display_get_default();
  if (display != nullptr && GDK_IS_X11_DISPLAY(display)) {
    return eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, GDK_DISPLAY_XDISPLAY(display), nullptr);
  }
  if (display != nullptr && GDK_IS_WAYLAND_DISPLAY(display)) {
    return eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR,
                                 gdk_wayland_display_get_wl_display(display), nullptr);
  }
  return eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

constexpr char kDriDir[] = "/dev/dri";

// What is decided without a display: the client's variable, WebKit's own,
// and a machine without a render node in dri_dir.
std::optional<RenderingChoice> DecideWithoutDisplay(const std::string& dri_dir) {
  const char* forced_value = std::getenv(kCompositingVariable);
  if (std::optional<RenderingPath> forced = ForcedRenderingPath(forced_value)) {
    return RenderingChoice{*forced, std::string(kCompositingVariable) + "=" + forced_value};
  }
  if (WebKitVariableSet()) {
    return RenderingChoice{RenderingPath::kAccelerated, "WebKit's own variable decides"};
  }
  if (!HasRenderNode(dri_dir)) {
    return RenderingChoice{RenderingPath::kNonAccelerated,
                           "no GPU render node, so OpenGL would be software"};
  }
  return std::nullopt;
}

RenderingChoice Decide() {
  if (std::optional<RenderingChoice> early = DecideWithoutDisplay(kDriDir)) return *early;
  const std::string renderer = ProbeGlRenderer();
  if (IsSoftwareRenderer(renderer)) {
    return {RenderingPath::kNonAccelerated,
            renderer.empty() ? "no OpenGL context" : "software OpenGL '" + renderer + "'"};
  }
  return {RenderingPath::kAccelerated, "OpenGL '" + renderer + "'"};
}

}  // namespace

std::optional<RenderingPath> ForcedRenderingPath(const char* value) {
  if (value == nullptr) return std::nullopt;
  if (std::strcmp(value, "on") == 0) return RenderingPath::kAccelerated;
  if (std::strcmp(value, "off") == 0) return RenderingPath::kNonAccelerated;
  return std::nullopt;
}

bool HasRenderNode(const std::string& dri_dir) {
  GDir* dir = g_dir_open(dri_dir.c_str(), 0, nullptr);
  if (dir == nullptr) return false;
  bool found = false;
  while (const char* name = g_dir_read_name(dir)) {
    if (g_str_has_prefix(name, "renderD")) {
      found = true;
      break;
    }
  }
  g_dir_close(dir);
  return found;
}

bool IsSoftwareRenderer(const std::string& renderer) {
  if (renderer.empty()) return true;
  g_autofree gchar* lower = g_ascii_strdown(renderer.c_str(), -1);
  bool software = false;
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "software rasterizer"}) {
    software = software || std::strstr(lower, name) != nullptr;
  }
  return software;
}

std::string ProbeGlRenderer() {
  EGLDisplay display = DisplayOfGdk();
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
      !eglBindAPI(EGL_OPENGL_ES_API)) {
    return std::string();
  }
  std::string renderer;
  const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context != EGL_NO_CONTEXT) {
    if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
      using GetString = const unsigned char* (*)(unsigned);
      auto get_string = reinterpret_cast<GetString>(eglGetProcAddress("glGetString"));
      const unsigned char* text = get_string != nullptr ? get_string(kGlRenderer) : nullptr;
      if (text != nullptr) renderer = reinterpret_cast<const char*>(text);
      eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    eglDestroyContext(display, context);
  }
  // The display stays initialised: WebKit opens the same one for its own
  // OpenGL, and terminating it would unload the driver only for WebKit to
  // load it again.
  eglReleaseThread();
  return renderer;
}

std::vector<std::string> PrepareRenderingPath(const std::string& dri_dir) {
  std::vector<std::string> told;
  const std::optional<RenderingChoice> early = DecideWithoutDisplay(dri_dir);
  if (!early || early->path != RenderingPath::kNonAccelerated ||
      VariableSet("WEBKIT_FORCE_DMABUF_RENDERER")) {
    return told;
  }
  // Views on this path never composite, so WebKit's renderer for composited
  // frames (DMA-BUF) is never used; yet preparing it loads the OpenGL driver
  // into this process, a software one in about 0.15 s.
  if (platform::SetOwnVariable(kDisableDmabufVariable, "1"))
    told.emplace_back(kDisableDmabufVariable);
  // Without a render node WebKit would still load the driver when it starts
  // the first web process, only to learn that there is no GPU to tell the
  // process of; a device that is none tells it at once.
  if (!HasRenderNode(dri_dir) && platform::SetOwnVariable(kRenderDeviceVariable, "/dev/null")) {
    told.emplace_back(kRenderDeviceVariable);
  }
  for (const std::string& name : told) {
    platform::Log("engine: non-accelerated path: %s=%s", name.c_str(), std::getenv(name.c_str()));
  }
  return told;
}

const RenderingChoice& ProcessRenderingPath() {
  static const RenderingChoice choice = [] {
    const gint64 start = g_get_monotonic_time();
    RenderingChoice decided = Decide();
    platform::Log("engine: rendering %s: %s (decided in %.2f ms)",
                  decided.path == RenderingPath::kAccelerated ? "with accelerated compositing"
                                                              : "without accelerated compositing",
                  decided.reason.c_str(),
                  static_cast<double>(g_get_monotonic_time() - start) / 1000.0);
    return decided;
  }();
  return choice;
}

}  // namespace engine
