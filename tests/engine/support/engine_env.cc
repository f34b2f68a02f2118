// Engine start-up for the test programs.
#include "tests/engine/support/engine_env.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "engine/cef_app.h"
#include "platform/main_thread.h"

namespace testing_support {

std::string MakeTempDir() {
  gchar* dir = g_dir_make_tmp("quorbital-engine-test-XXXXXX", nullptr);
  std::string out = dir ? dir : "/tmp";
  g_free(dir);
  return out;
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

}  // namespace testing_support
