// Reading the update service's base address.
#include "app/service_host.h"

#include <atomic>
#include <vector>

#include "platform/log.h"
#include "platform/url_fetch.h"
#include "platform/windows.h"

namespace {

constexpr int kShownCharacters = 100;

}  // namespace

std::string ReadCloudHost(const std::string& profilePath) {
  // One character more than is taken, so that a longer value is seen as
  // such rather than silently cut to an address the user never wrote.
  std::vector<char> buffer(kMaxCloudHostLength + 2);
  const DWORD length =
      GetPrivateProfileStringA("versionInformation", "cloudHost", kDefaultCloudHost, buffer.data(),
                               static_cast<DWORD>(buffer.size()), profilePath.c_str());
  std::string host(buffer.data(), length);
  if (host.size() <= kMaxCloudHostLength && !platform::UrlOrigin(host).empty()) return host;
  static std::atomic<bool> warned{false};
  if (!warned.exchange(true)) {
    platform::LogWarning(
        "cloudHost \"%.*s%s\" in %s is no http or https address of at most 2048 characters: no "
        "update check, and no "
        "service pages are trusted",
        kShownCharacters, host.c_str(), host.size() > kShownCharacters ? "..." : "",
        profilePath.c_str());
  }
  return {};
}
