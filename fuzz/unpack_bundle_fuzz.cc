// Installing a bundle archive that may be anything: whatever the archive
// holds (entry names that climb out, absolute or drive names, links, sizes
// that lie, broken data), installation writes nothing outside the data
// directory, leaves no staging directory behind, deletes the archive, and
// when it fails leaves the installed bundle and "version.ini" as they were.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_check.h"
#include "update/unpack_bundle.h"

namespace fs = std::filesystem;

namespace {

fs::path g_base;

void RemoveBase() { fs::remove_all(g_base); }

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* tmp = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : P_tmpdir;
  std::string dir = std::string(tmp) + "/q-unpack-fuzz-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  g_base = dir;
  std::atexit(RemoveBase);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The data directory sits alone in the base directory, so anything written
  // beside it was written outside it.
  const fs::path dataDir = g_base / "data";
  const fs::path archive = dataDir / "updatehtml.zip";
  fs::remove_all(dataDir);
  fs::create_directories(dataDir / "contentEditor");
  Write(dataDir / "contentEditor" / "index.html", "installed");
  Write(dataDir / "version.ini", "[versionInformation]\nbuild=7\n");
  {
    std::ofstream out(archive, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  // Small archives are written by one thread unless two are asked for: half
  // of the inputs ask.
  UnpackOptions options;
  options.threads = size % 2 == 0 ? 1 : 2;
  const bool ok = InstallBundleArchive(dataDir.string(), archive.string(), {}, options) ==
                  UnpackResult::kInstalled;

  FUZZ_CHECK(!fs::exists(archive));
  for (const auto& entry : fs::directory_iterator(g_base)) {
    FUZZ_CHECK(entry.path() == dataDir);
  }
  for (const auto& entry : fs::recursive_directory_iterator(dataDir)) {
    FUZZ_CHECK(!entry.is_symlink());
    FUZZ_CHECK(entry.path().filename().string().rfind(".bundle-staging-", 0) != 0);
  }
  if (!ok) {
    FUZZ_CHECK(Read(dataDir / "contentEditor" / "index.html") == "installed");
    FUZZ_CHECK(Read(dataDir / "version.ini") == "[versionInformation]\nbuild=7\n");
  }
  return 0;
}
