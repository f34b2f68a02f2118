// Reading the update service's origin and the trusted keys, and the rule for
// the addresses an update is fetched from.
#include "update/update_trust.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "app/locations.h"
#include "app/runtime_files.h"
#include "app/service_host.h"
#include "platform/folder_names.h"
#include "platform/log.h"
#include "platform/windows.h"

namespace {

constexpr char kSection[] = "versionInformation";
// A key file is two short lines; a larger file is none.
constexpr std::size_t kMaxKeyFile = 4096;
// The base64 line of a key is 56 characters; room to see a longer value.
constexpr DWORD kUpdateKeyBuffer = 256;

bool ReadSmallFile(const std::string& path, std::string* text) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text->assign(kMaxKeyFile + 1, '\0');
  std::size_t size = 0;
  while (size < text->size()) {
    const ssize_t got = read(fd, text->data() + size, text->size() - size);
    if (got <= 0) break;
    size += static_cast<std::size_t>(got);
  }
  close(fd);
  text->resize(size);
  return size <= kMaxKeyFile;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() > suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<UpdateKey> ReadKeyFolder(const std::string& dir) {
  std::vector<std::string> names;
  for (auto& name : platform::FolderNames(dir)) {
    if (EndsWith(name, ".pub")) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  std::vector<UpdateKey> keys;
  for (const auto& name : names) {
    const std::string path = dir + "/" + name;
    std::string text, why;
    UpdateKey key;
    if (!ReadSmallFile(path, &text)) {
      platform::LogWarning("update: key file %s cannot be read or is too large", path.c_str());
    } else if (!ParseUpdateKey(text, &key, &why)) {
      platform::LogWarning("update: %s holds no key: %s", path.c_str(), why.c_str());
    } else {
      keys.push_back(key);
    }
  }
  return keys;
}

UpdateTrust ReadUpdateTrust(const std::string& profilePath, const std::string& keyFolder) {
  UpdateTrust trust;
  trust.serviceOrigin = platform::UrlOrigin(ReadCloudHost(profilePath));
  if (!keyFolder.empty()) trust.keys = ReadKeyFolder(keyFolder);
  char value[kUpdateKeyBuffer] = {};
  const DWORD length = GetPrivateProfileStringA(kSection, "updateKey", "", value, kUpdateKeyBuffer,
                                                profilePath.c_str());
  if (length > 0) {
    trust.signatureRequired = true;
    UpdateKey key;
    std::string why;
    if (length + 1 < kUpdateKeyBuffer && ParseUpdateKey(value, &key, &why)) {
      trust.keys.push_back(key);
    } else {
      platform::LogWarning(
          "update: updateKey in %s is no minisign public key (%s): no update is "
          "installed until it is mended",
          profilePath.c_str(), why.empty() ? "too long" : why.c_str());
    }
  }
  // A key installed with the client stands for its vendor's signature: an
  // archive without one is not the vendor's, however it is served.
  if (!trust.keys.empty()) trust.signatureRequired = true;
  return trust;
}

UpdateTrust ClientUpdateTrust(const std::string& dataDir) {
  return ReadUpdateTrust(dataDir + kVersionFileA, FindRuntimeFolder(kUpdateKeyFolder));
}

bool IsTrustedSource(const std::string& url, const std::string& serviceOrigin) {
  const std::string origin = platform::UrlOrigin(url);
  return origin.rfind("https://", 0) == 0 || (!origin.empty() && origin == serviceOrigin);
}

platform::UrlFilter TrustedSourceFilter(const std::string& serviceOrigin) {
  return [serviceOrigin](const std::string& url) { return IsTrustedSource(url, serviceOrigin); };
}

platform::UrlFilter AnyWebAddress() {
  return [](const std::string& url) { return !platform::UrlOrigin(url).empty(); };
}
