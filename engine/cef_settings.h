// Process-wide engine settings given to CefInitialize. Every field starts at
// the engine's default (zero, false or empty).
#pragma once

#include <vector>

#include "engine/cef_string.h"
#include "engine/cef_types.h"

struct CefSettings {
  bool single_process = false;
  bool no_sandbox = false;
  bool multi_threaded_message_loop = false;
  bool windowless_rendering_enabled = false;
  bool command_line_args_disabled = false;
  CefString browser_subprocess_path;
  // Where the engine keeps its cache and website data; empty: a temporary,
  // non-persistent store.
  CefString cache_path;
  // Opaque colour (0xAARRGGBB) the browser shows before a page paints;
  // 0 means white.
  cef_color_t background_color = 0;
  // This engine's own: with the sandbox on (no_sandbox false), folders the
  // confined web processes may read besides what the engine lets in itself
  // (the extension's folder, the page bridge's sockets). A folder must exist
  // when CefInitialize is called.
  std::vector<CefString> sandbox_read_only_paths;
  // This engine's own: the most memory, in MiB, one web process may use;
  // one that goes past it is ended and its browsers' clients hear
  // OnRenderProcessTerminated with TS_PROCESS_OOM. 0: the engine's default
  // (no bound). Checked every few seconds, so a page that allocates fast
  // may go a little past it first.
  unsigned renderer_memory_limit_mb = 0;
};
