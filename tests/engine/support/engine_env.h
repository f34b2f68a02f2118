// Sets up GTK and the engine once per test program, with a private cache
// directory and the given renderer extension directory.
#pragma once

#include <string>

#include "engine/cef_app.h"

namespace testing_support {

// Call from main() before the tests run; extension_dir may be empty (no
// renderer side). app, when given, is the browser process's application
// object (the client's own, say, which names its trusted pages to each
// renderer). Returns the cache directory used.
std::string InitEngineForTests(int* argc, char*** argv, const std::string& extension_dir,
                               CefRefPtr<CefApp> app = nullptr);

// A directory with the given files (name, content) under a fresh temporary
// directory; returns its path.
std::string MakeTempDir();
void WriteFile(const std::string& path, const std::string& content);

}  // namespace testing_support
