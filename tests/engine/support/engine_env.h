// Sets up GTK and the engine once per test program, with a private cache
// directory and the given renderer extension directory.
#pragma once

#include <string>

namespace testing_support {

// Call from main() before the tests run; extension_dir may be empty (no
// renderer side). Returns the cache directory used.
std::string InitEngineForTests(int* argc, char*** argv, const std::string& extension_dir);

// A directory with the given files (name, content) under a fresh temporary
// directory; returns its path.
std::string MakeTempDir();
void WriteFile(const std::string& path, const std::string& content);

}  // namespace testing_support
