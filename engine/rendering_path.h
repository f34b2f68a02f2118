// How WebKit draws the client's pages: with its accelerated compositing
// (WebKit's default) or on its non-accelerated path. Accelerated compositing
// pays off on a GPU. Where the OpenGL it would run on is a software
// rasteriser (virtual machines, remote desktops, computers without a usable
// GPU), it costs about a second before the first frame and more memory in the
// web process, while the non-accelerated path draws the same pages at once.
// The choice is made once per process, before the first view is created.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace engine {

enum class RenderingPath { kAccelerated, kNonAccelerated };

struct RenderingChoice {
  RenderingPath path = RenderingPath::kAccelerated;
  std::string reason;  // why, for the diagnostics
};

// Forces either path: "on" keeps WebKit's accelerated compositing, "off"
// uses the non-accelerated path. Unset (or any other value) lets the client
// find out.
inline constexpr char kCompositingVariable[] = "QUORBITAL_COMPOSITING";

// The path of this process, decided at the first call (main thread): the
// variable above; WebKit's own variables, when the user set one, leave
// WebKit's default; without a DRM render node there is no GPU WebKit's web
// process could draw with; otherwise the renderer of an OpenGL ES context on
// the display tells.
const RenderingChoice& ProcessRenderingPath();

// WebKit's variables that PrepareRenderingPath may set.
inline constexpr char kDisableDmabufVariable[] = "WEBKIT_DISABLE_DMABUF_RENDERER";
inline constexpr char kRenderDeviceVariable[] = "WEBKIT_WEB_RENDER_DEVICE_FILE";

// First thing in the program's own process, before the display is opened
// and while no other thread runs: where the path is already known to be the
// non-accelerated one (forced, or no render node in dri_dir), WebKit is told
// through its variables not to prepare what that path never uses, so that
// neither this process nor the first web process's start waits for the
// OpenGL driver to load. A variable the user set is left as it is, and none
// is set when the user forces WebKit's DMA-BUF renderer. Returns the names
// set. Programs the client opens for the user do not inherit them.
std::vector<std::string> PrepareRenderingPath(const std::string& dri_dir = "/dev/dri");

// The pieces of the decision.
std::optional<RenderingPath> ForcedRenderingPath(const char* value);
// Whether dri_dir holds a render node (renderD*).
bool HasRenderNode(const std::string& dri_dir);
// Whether an OpenGL renderer string names a software rasteriser; an empty
// one (no OpenGL at all) counts as software.
bool IsSoftwareRenderer(const std::string& renderer);
// The renderer of an OpenGL ES context on the default display (through EGL,
// as WebKit's own); empty when no context can be made.
std::string ProbeGlRenderer();

}  // namespace engine
