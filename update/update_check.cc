// The update check against the vendor service, run once while the main window
// initialises. Every failure means "no update": nothing is shown.
#include "update/update_check.h"

#include <algorithm>
#include <cstdlib>

#include "app/locations.h"
#include "app/service_host.h"
#include "platform/url_fetch.h"
#include "platform/windows.h"
#include "update/update_trust.h"
#include "util/text_convert.h"

namespace {

constexpr char kSection[] = "versionInformation";
constexpr DWORD kBuildBufferSize = 20;
// A real reply is a few hundred bytes. The check runs before the main window
// is shown, so a service that does not answer in time counts as no update.
constexpr std::size_t kMaxReplySize = std::size_t{64} * 1024;

// The text between the first ":" after the first key and the next ",". The
// unsigned arithmetic is deliberate: a missing key or ":" (npos) makes the
// value start at 0, a missing "," makes it run to the end of the reply.
std::string ScrapeValue(const std::string& reply, const char* key) {
  const std::string::size_type b = reply.find(key);
  const std::string::size_type c = reply.find(':', b);
  const std::string::size_type e = reply.find(',', c);
  const std::string::size_type start = c + 1;
  if (start > reply.size()) return std::string();
  return reply.substr(start, e - c - 1);
}

}  // namespace

void ScrapeUpdateReply(const std::string& reply, std::string& build, std::string& packageUrl) {
  build = ScrapeValue(reply, "build");
  std::string url = ScrapeValue(reply, "package_url");
  // Drop the quotes around the value; the service escapes every slash with a
  // back-slash, and a package URL never needs a back-slash of its own.
  url = url.size() >= 2 ? url.substr(1, url.size() - 2) : std::string();
  for (auto pos = url.rfind('\\'); pos != std::string::npos; pos = url.rfind('\\')) {
    url.erase(pos, 1);
  }
  packageUrl = url;
}

long long ParseBuildNumber(const std::string& text) {
  // strtoll saturates at the range's ends, as wanted.
  return std::strtoll(text.c_str(), nullptr, 10);
}

std::string PublishedBuildDigits(const std::string& text) {
  constexpr char kBlanks[] = " \t\r\n";
  constexpr std::size_t kMaxDigits = 18;  // any such number fits in 64 bits
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  std::string digits = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  if (digits.size() > kMaxDigits || digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::string();
  }
  return digits;
}

bool CheckForUpdate(const std::wstring& dataDir, std::string& build, std::string& packageUrl,
                    long timeoutMs) {
  // Without a data directory every location would hang off the root.
  if (dataDir.empty()) return false;
  std::string profilePath;
  WideToAnsi(dataDir + kVersionFile, profilePath);

  char localBuild[kBuildBufferSize] = {};
  GetPrivateProfileStringA(kSection, "build", "", localBuild, kBuildBufferSize,
                           profilePath.c_str());
  // Without a usable service address there is nothing to ask.
  const std::string cloudHost = ReadCloudHost(profilePath);
  if (cloudHost.empty()) return false;

  std::wstring url;
  AnsiToWide(cloudHost, url);
  url += kVendorApiPath;

  // The check's own request carries no cache-buster, unlike the downloads.
  // The reply is read into memory: it is scratch, and a service that hangs,
  // trickles or sends without end must neither hold the main window back nor
  // fill the data directory.
  std::string reply;
  const long bound = std::clamp(timeoutMs, 1L, kUpdateCheckTimeoutMs);
  // The reply names the archive to install, so it is held to the rule the
  // archive is: a redirect goes only to https or within the service's origin.
  if (platform::FetchUrlToMemory(url, kMaxReplySize, bound, &reply,
                                 TrustedSourceFilter(platform::UrlOrigin(cloudHost))) != S_OK) {
    return false;
  }

  std::string published;
  std::string url8;
  ScrapeUpdateReply(reply, published, url8);
  build = published;
  packageUrl = url8;

  // A reply without a package address offers nothing to install, and a build
  // that is not a plain number could never be recorded as one.
  const std::string digits = PublishedBuildDigits(published);
  if (packageUrl.empty() || digits.empty()) return false;
  if (ParseBuildNumber(digits) <= ParseBuildNumber(localBuild)) return false;
  build = digits;
  return true;
}
