// Reading the update service's base address.
#include "app/service_host.h"

#include "platform/windows.h"

namespace {

constexpr DWORD kCloudHostBufferSize = 30;

}  // namespace

std::string ReadCloudHost(const std::string& profilePath) {
  char cloudHost[kCloudHostBufferSize] = {};
  GetPrivateProfileStringA("versionInformation", "cloudHost", kDefaultCloudHost, cloudHost,
                           kCloudHostBufferSize, profilePath.c_str());
  return cloudHost;
}
