// Scraping of the update service's reply: any reply, however broken, gives a
// build and a package address without a fault, both taken from the reply;
// the address keeps no back-slash and the build reads as a number without
// overflowing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "update/update_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  std::string build = "stale";
  std::string packageUrl = "stale";
  ScrapeUpdateReply(reply, build, packageUrl);

  FUZZ_CHECK(build.size() <= reply.size());
  FUZZ_CHECK(packageUrl.size() <= reply.size());
  FUZZ_CHECK(build.empty() || reply.find(build) != std::string::npos);
  FUZZ_CHECK(packageUrl.find('\\') == std::string::npos);
  ParseBuildNumber(build);
  ParseBuildNumber(reply);
  return 0;
}
