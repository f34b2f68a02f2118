// Profile-file parsing: "version.ini" is read from the data directory, which
// other programs and broken disks can fill with anything. Reading any content
// stays inside the caller's buffer and ends the text with a zero; a value
// written into any content reads back unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/windows.h"

namespace {

std::string g_dir;
std::string g_file;

void RemoveDir() { std::filesystem::remove_all(g_dir); }

// Reads into a heap buffer of exactly size bytes, so AddressSanitizer sees
// every byte written past it.
std::string Get(const char* section, const char* key, DWORD size) {
  std::unique_ptr<char[]> buffer(new char[size]);
  const DWORD n =
      GetPrivateProfileStringA(section, key, "fallback", buffer.get(), size, g_file.c_str());
  FUZZ_CHECK(n < size);
  FUZZ_CHECK(buffer[n] == '\0');
  // A list of names ends in two zeros, even when it was cut short.
  if (section == nullptr || key == nullptr) {
    FUZZ_CHECK(n == 0 || buffer[n - 1] == '\0' || (n + 1 < size && buffer[n + 1] == '\0'));
  }
  return std::string(buffer.get(), n);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A memory file system when there is one: every write syncs the file.
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : P_tmpdir;
  std::string dir = std::string(base) + "/q-profile-fuzz-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  g_dir = dir;
  g_file = dir + "/version.ini";
  std::atexit(RemoveDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the caller's buffer size, the rest is the file.
  const DWORD bufferSize = 1 + data[0] % 40;
  {
    std::ofstream out(g_file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }

  Get("versionInformation", "build", bufferSize);
  Get("versionInformation", "cloudHost", bufferSize);
  Get(" VERSIONinformation ", " Build", bufferSize);
  Get(nullptr, nullptr, bufferSize);
  Get("versionInformation", nullptr, bufferSize);

  // The first section and key of a name win, for writing as for reading.
  if (WritePrivateProfileStringA("versionInformation", "build", "4242", g_file.c_str())) {
    FUZZ_CHECK(Get("versionInformation", "build", 64) == "4242");
  }
  if (WritePrivateProfileStringA("versionInformation", "build", nullptr, g_file.c_str())) {
    const std::string left = Get("versionInformation", "build", 64);
    FUZZ_CHECK(left != "4242" ||
               std::string_view(reinterpret_cast<const char*>(data), size).find("4242") !=
                   std::string_view::npos);
  }
  return 0;
}
