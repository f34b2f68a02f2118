// CefInitialize and CefShutdown: one WebKit web context for the process, with
// its cache and website data (cookies included) under the cache path, and the
// web process extension that plays the renderer role.
#include "engine/engine_context.h"

#include <sys/random.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/browser_impl.h"
#include "engine/cef_browser_process_handler.h"
#include "engine/process_message_codec.h"
#include "engine/process_state.h"
#include "engine/rendering_path.h"
#include "engine/sandbox.h"
#include "engine/view_settings.h"
#include "platform/copydata_channel.h"
#include "platform/gobject_ptr.h"
#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/process_paths.h"
#include "platform/process_time.h"

namespace engine {
namespace {

// The context and the blank page are raw references: CefShutdown lets them
// go, in its order, and a process that ends without it must not tear WebKit
// down from a static destructor, after the toolkit may have gone.
struct State {
  WebKitWebContext* context = nullptr;
  CefRefPtr<CefApp> app;
  cef_color_t background = 0xFFFFFFFF;
  std::vector<CefRefPtr<BrowserImpl>> browsers;
  // The blank page that starts the first web process (see StartWebProcess).
  WebKitWebView* starter = nullptr;
  // The secret each web process was given at its start (see
  // OnInitializeWebExtensions); a process tells its views its own.
  std::set<std::string> credentials;
  // The last barrier each of them sent that came in.
  std::map<std::string, std::uint64_t> barriers;
};
State g_state;

WebKitWebsiteDataManager* NewDataManager(const std::string& cache_path) {
  if (cache_path.empty()) return webkit_website_data_manager_new_ephemeral();
  return webkit_website_data_manager_new("base-data-directory", cache_path.c_str(),
                                         "base-cache-directory", cache_path.c_str(), nullptr);
}

// How often a web process looks at its memory: often enough that a page
// that allocates fast is stopped near its bound, seldom enough to cost
// nothing worth counting.
constexpr double kMemoryPollSeconds = 2.0;

// The context, with the web processes' memory bound when there is one: a
// process is ended when it reaches the limit (after the engine's own
// attempts to free memory on the way there). Construction is the only time
// the context takes it.
WebKitWebContext* NewWebContext(WebKitWebsiteDataManager* manager, unsigned memory_limit_mb) {
  if (memory_limit_mb == 0) return webkit_web_context_new_with_website_data_manager(manager);
  WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
  webkit_memory_pressure_settings_set_memory_limit(memory, memory_limit_mb);
  webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
  webkit_memory_pressure_settings_set_poll_interval(memory, kMemoryPollSeconds);
  auto* context =
      WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", manager,
                                      "memory-pressure-settings", memory, nullptr));
  webkit_memory_pressure_settings_free(memory);
  platform::Log("engine: a web process may use at most %u MiB", memory_limit_mb);
  return context;
}

// Beside the executable in the build tree; where the installation puts it
// otherwise.
std::string DefaultExtensionDir() {
  std::string beside = platform::ExecutableDir() + "/webext";
#ifdef QUORBITAL_INSTALL_WEBEXT_RELDIR
  std::string installed = platform::ExecutableDir() + "/" QUORBITAL_INSTALL_WEBEXT_RELDIR;
  if (!g_file_test((beside + "/libquorbital-renderer.so").c_str(), G_FILE_TEST_EXISTS) &&
      g_file_test((installed + "/libquorbital-renderer.so").c_str(), G_FILE_TEST_EXISTS)) {
    return installed;
  }
#endif
  return beside;
}

// A fresh secret of 128 random bits, as hex text.
std::string NewCredential() {
  unsigned char bytes[16] = {};
  std::size_t got = 0;
  while (got < sizeof(bytes)) {
    const ssize_t n = getrandom(bytes + got, sizeof(bytes) - got, 0);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

// Just before WebKit starts a web process: the extension there gets the
// renderer role's command line, a secret of its own (it opens every
// connection to the client's windows with it and tells its views, so that
// the client knows which process sent a message), the folder of the
// helpers' window registry (a confined process cannot find it itself, and
// sees no other) and what the
// application object adds for its renderers, as "(sss@av)". The data goes
// over WebKit's own channel to that process alone.
void OnInitializeWebExtensions(WebKitWebContext* context, gpointer) {
  platform::LogStartStep("a web process starts");
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  if (g_state.app) {
    if (CefRefPtr<CefBrowserProcessHandler> handler = g_state.app->GetBrowserProcessHandler()) {
      handler->OnRenderProcessThreadCreated(extra_info);
    }
  }
  const std::string credential = NewCredential();
  g_state.credentials.insert(credential);
  const std::vector<std::string> socket_dirs = platform::channel::SocketDirectories();
  const std::string registry = socket_dirs.empty() ? std::string() : socket_dirs.front();
  webkit_web_context_set_web_extensions_initialization_user_data(
      context, g_variant_new("(sss@av)", "quorbital --type=renderer", credential.c_str(),
                             registry.c_str(), EncodeArguments(extra_info)));
}

// A bridge message of a web process of ours waits until the news that
// process sent before it over WebKit's channel has come in (its barrier);
// messages of anyone else are judged by the checks alone.
bool NewsTakenIn(const platform::channel::MessageSender& sender) {
  if (!IsIssuedCredential(sender.credential)) return true;
  auto found = g_state.barriers.find(sender.credential);
  return found != g_state.barriers.end() && found->second >= sender.order;
}

// Confines the web processes where the machine allows it, letting in the
// folders the client names, those of the helpers' route of the window
// registry (never the one a second start of the client hands its document
// over) and the display's socket, read-only; every one must exist before the
// first web process starts.
void ConfineWebProcesses(WebKitWebContext* context, std::vector<std::string> paths) {
  const SandboxChoice& choice = ProcessSandbox();
  if (!choice.confined) {
    if (choice.forced) {
      platform::Log("engine: web processes unconfined (%s)", choice.reason.c_str());
    } else {
      platform::LogWarning("engine: the web processes run without a sandbox: %s",
                           choice.reason.c_str());
    }
    return;
  }
  webkit_web_context_set_sandbox_enabled(context, TRUE);
  for (const std::string& dir : platform::channel::SocketDirectories()) paths.push_back(dir);
  // WebKit lets in the Wayland socket named relative to the runtime
  // directory, as sessions name it; one named by its full path it misses.
  if (const char* wayland = g_getenv("WAYLAND_DISPLAY"); wayland && wayland[0] == '/') {
    paths.emplace_back(wayland);
  }
  for (const std::string& path : paths) {
    if (path.empty() || !g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) continue;
    webkit_web_context_add_path_to_sandbox(context, path.c_str(), TRUE);
    platform::Log("engine: web processes may read '%s'", path.c_str());
  }
}

// WebKit starts a web process only for a page's first load, and that start
// (the process, its extension, its drawing) is the longest part of the way
// to the first page. A hidden blank page starts it at once, so it runs while
// the client prepares its window and asks for updates; the first browser's
// view shares that process (RelatedViewForNewBrowser) instead of waiting for
// one of its own. The renderer's trusted places come from the data
// directory's settings, which an update never changes, so the early start
// does not make them stale.
void StartWebProcess() {
  const platform::GObjectPtr<WebKitSettings> settings =
      platform::AdoptGObject(NewViewSettings(CefBrowserSettings()));
  g_state.starter = WEBKIT_WEB_VIEW(g_object_new(
      WEBKIT_TYPE_WEB_VIEW, "web-context", g_state.context, "settings", settings.get(), nullptr));
  g_object_ref_sink(g_state.starter);
  webkit_web_view_load_uri(g_state.starter, "about:blank");
}

void DropStarter() {
  if (g_state.starter == nullptr) return;
  // Only the blank page ends; the process stays with the browser's page.
  gtk_widget_destroy(GTK_WIDGET(g_state.starter));
  g_object_unref(g_state.starter);  // raw on purpose: see State
  g_state.starter = nullptr;
}

// The browser's own page holds the process once its first load has
// committed (or ended without one).
void OnFirstLoadOfRelated(WebKitWebView* view, WebKitLoadEvent event, gpointer) {
  if (event != WEBKIT_LOAD_COMMITTED && event != WEBKIT_LOAD_FINISHED) return;
  platform::LogStartStep("first page committed");
  g_signal_handlers_disconnect_by_func(view, reinterpret_cast<gpointer>(OnFirstLoadOfRelated),
                                       nullptr);
  DropStarter();
}

}  // namespace

WebKitWebView* RelatedViewForNewBrowser() {
  if (g_state.starter == nullptr || !g_state.browsers.empty()) return nullptr;
  return g_state.starter;
}

void WatchFirstLoad(WebKitWebView* view) {
  g_signal_connect(view, "load-changed", G_CALLBACK(OnFirstLoadOfRelated), nullptr);
}

bool IsInitialized() { return g_state.context != nullptr; }
bool IsIssuedCredential(const std::string& credential) {
  return g_state.credentials.count(credential) != 0;
}
void RetireCredential(const std::string& credential) {
  g_state.credentials.erase(credential);
  g_state.barriers.erase(credential);
}

void TakeInBarrier(const std::string& credential, std::uint64_t number) {
  if (!IsIssuedCredential(credential)) return;
  std::uint64_t& taken = g_state.barriers[credential];
  if (number <= taken) return;
  taken = number;
  platform::channel::ResumeHeldMessages();
}
WebKitWebContext* WebContext() { return g_state.context; }
cef_color_t BackgroundColor() { return g_state.background; }

void AddBrowser(BrowserImpl* browser) { g_state.browsers.emplace_back(browser); }

void RemoveBrowser(BrowserImpl* browser) {
  auto& list = g_state.browsers;
  // Drop the engine's reference last: it may be the final one.
  CefRefPtr<BrowserImpl> keep = browser;
  list.erase(
      std::remove_if(list.begin(), list.end(),
                     [browser](const CefRefPtr<BrowserImpl>& b) { return b.get() == browser; }),
      list.end());
}

}  // namespace engine

bool CefInitialize(const CefMainArgs& /*args*/, const CefSettings& settings,
                   CefRefPtr<CefApp> application, void* /*windows_sandbox_info*/) {
  using engine::g_state;
  if (g_state.context || engine::IsRendererProcess()) return false;
  // Views need GTK; the toolkit may not have started it yet. Without a
  // display this fails quietly and browsers cannot be created.
  const bool has_display = gtk_init_check(nullptr, nullptr);
  platform::InitMainThread();
  platform::LogStartStep("GTK started");
  // Before any view exists, and early, while nothing else waits for it.
  engine::ProcessRenderingPath();
  platform::LogStartStep("rendering path chosen");

  const std::string cache_path = settings.cache_path.ToString();
  {
    const platform::GObjectPtr<WebKitWebsiteDataManager> manager =
        platform::AdoptGObject(engine::NewDataManager(cache_path));
    g_state.context = engine::NewWebContext(manager.get(), settings.renderer_memory_limit_mb);
    if (!cache_path.empty()) {
      const std::string cookies = cache_path + "/cookies.sqlite";
      webkit_cookie_manager_set_persistent_storage(
          webkit_website_data_manager_get_cookie_manager(manager.get()), cookies.c_str(),
          WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    }
  }
  platform::LogStartStep("web context made");

  // The renderer role lives in a web process extension. WebKit loads every
  // shared library of the directory, so the extension has one of its own.
  std::string extension_dir = settings.browser_subprocess_path.ToString();
  if (extension_dir.empty()) extension_dir = engine::DefaultExtensionDir();
  webkit_web_context_set_web_extensions_directory(g_state.context, extension_dir.c_str());
  g_signal_connect(g_state.context, "initialize-web-extensions",
                   G_CALLBACK(engine::OnInitializeWebExtensions), nullptr);
  platform::channel::SetOrderCheck(engine::NewsTakenIn);
  platform::Log("engine: cache in '%s', renderer extension in '%s'", cache_path.c_str(),
                extension_dir.c_str());

  // Downloads the engine would start by itself (a link with a download
  // attribute, say) are cancelled before any file is written: the client
  // downloads what it wants itself.
  g_signal_connect(g_state.context, "download-started",
                   G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download, gpointer) {
                     platform::Log("engine: download of a page refused");
                     webkit_download_cancel(download);
                   }),
                   nullptr);

  g_state.background = settings.background_color ? settings.background_color : 0xFFFFFFFF;
  g_state.app = application;
  if (application) {
    if (CefRefPtr<CefBrowserProcessHandler> handler = application->GetBrowserProcessHandler()) {
      platform::PostToMainThread([handler] { handler->OnContextInitialized(); });
    }
  }
  // Last: the process's extension asks the application object for its
  // renderers' start-up information, and views need a display. With the
  // sandbox's answer at hand (forced, off, or a trial remembered from an
  // earlier start in this boot) the first web process starts now and boots
  // while the program builds its window; WebKit launches it and its
  // sandbox's helpers before it returns, so the window comes that much later
  // but the page sooner. A trial run of bubblewrap (bounded, yet seconds on a
  // stuck machine) waits until the main loop runs, after the first window is
  // on screen; any browser's creation is queued behind it either way.
  const bool confine = !settings.no_sandbox;
  std::vector<std::string> readable;
  readable.reserve(settings.sandbox_read_only_paths.size());
  for (const CefString& path : settings.sandbox_read_only_paths) {
    readable.push_back(path.ToString());
  }
  auto start = [confine, readable = std::move(readable), has_display] {
    if (g_state.context == nullptr) return;  // shut down meanwhile
    if (confine) engine::ConfineWebProcesses(g_state.context, readable);
    platform::LogStartStep("web processes' sandbox decided");
    if (has_display) engine::StartWebProcess();
  };
  if (!confine || engine::SandboxKnownWithoutTrial(engine::kBubblewrap, platform::RuntimeDir())) {
    start();
  } else {
    platform::PostToMainThread(std::move(start));
  }
  return true;
}

void CefShutdown() {
  using engine::g_state;
  if (!g_state.context) return;
  // Closing a browser removes it from the list, so work on a copy.
  auto browsers = g_state.browsers;
  for (auto& browser : browsers) browser->CloseBrowser(true);
  browsers.clear();
  g_state.browsers.clear();
  engine::DropStarter();
  platform::channel::SetOrderCheck(nullptr);
  g_object_unref(g_state.context);  // raw on purpose: see State
  g_state.context = nullptr;
  g_state.app = nullptr;
}

void CefQuitMessageLoop() {}
