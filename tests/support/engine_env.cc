// Engine start-up for the test programs.
#include "tests/support/engine_env.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>

#include "app/engine_settings.h"
#include "engine/cef_app.h"
#include "engine/cef_browser_host.h"
#include "platform/main_thread.h"
#include "tests/support/main_loop.h"

namespace test_support {

std::string MakeTempDir() {
  gchar* dir = g_dir_make_tmp("quorbital-engine-test-XXXXXX", nullptr);
  std::string out = dir ? dir : "/tmp";
  g_free(dir);
  return out;
}

std::string MakeBundleDir() {
  const std::string data_home = MakeTempDir();
  setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  const std::string bundle = data_home + "/vexalio/contentEditor";
  std::filesystem::create_directories(bundle);
  return bundle;
}

CefRefPtr<CefBrowser> CreateBrowserIn(HWND parent, const RECT& rect, CefRefPtr<CefClient> client,
                                      const std::function<CefRefPtr<CefBrowser>()>& created) {
  CefWindowInfo info;
  info.SetAsChild(parent, rect);
  CefBrowserSettings settings;
  FillBrowserSettings(settings);
  if (!CefBrowserHost::CreateBrowser(info, client, CefString(), settings, nullptr)) return nullptr;
  test_support::PumpUntil([&] { return created() != nullptr; });
  return created();
}

void WriteFile(const std::string& path, const std::string& content) {
  g_file_set_contents(path.c_str(), content.data(), static_cast<gssize>(content.size()), nullptr);
}

std::string InitEngineForTests(int* argc, char*** argv, const std::string& extension_dir,
                               CefRefPtr<CefApp> app) {
  gtk_init(argc, argv);
  platform::InitMainThread();
  CefSettings settings;
  settings.no_sandbox = true;
  settings.multi_threaded_message_loop = true;
  std::string cache = MakeTempDir() + "/cache";
  settings.cache_path = cache;
  settings.background_color = 0xFFFFFFFF;
  // An empty directory: WebKit would otherwise look beside the test program.
  settings.browser_subprocess_path = extension_dir.empty() ? MakeTempDir() : extension_dir;
  CefInitialize(CefMainArgs(), settings, app, nullptr);
  return cache;
}

}  // namespace test_support
