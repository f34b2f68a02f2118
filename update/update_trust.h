// Where a page-bundle update may come from, and which keys vouch for one.
// The bundle becomes the client's own pages, so an archive is taken only
// over https, from the update service's own origin, or signed by a trusted
// key.
#pragma once

#include <string>
#include <vector>

#include "platform/url_fetch.h"
#include "update/update_signature.h"

struct UpdateTrust {
  std::string serviceOrigin;    // of "cloudHost"; empty when there is none
  std::vector<UpdateKey> keys;  // installed with the client, then "updateKey"
  // Some key is trusted (a key file, or "updateKey" set even to something
  // that is no key): every archive must then carry a valid signature. Only
  // without any key at all is an archive from a trusted source taken
  // unsigned.
  bool signatureRequired = false;
};

// The folder of keys installed with the client, beside the executable in the
// build tree or in the installed data folder; each "*.pub" file in it holds
// one minisign public key.
inline constexpr char kUpdateKeyFolder[] = "update-keys";

// The keys of every "*.pub" file in dir, in name order; files that hold no
// key are left out with a warning.
std::vector<UpdateKey> ReadKeyFolder(const std::string& dir);

// The trust of the profile at profilePath ("cloudHost", "updateKey" in
// section "versionInformation") with the keys of keyFolder (none when empty).
UpdateTrust ReadUpdateTrust(const std::string& profilePath, const std::string& keyFolder);

// The client's: the data directory's "version.ini" and the installed keys.
UpdateTrust ClientUpdateTrust(const std::string& dataDir);

// Whether url may be fetched without a signature: https, or the service's
// origin itself (same scheme, host and port).
bool IsTrustedSource(const std::string& url, const std::string& serviceOrigin);

// Filters for the transfers: trusted sources only, or any http and https
// address (for what a checked signature vouches for).
platform::UrlFilter TrustedSourceFilter(const std::string& serviceOrigin);
platform::UrlFilter AnyWebAddress();
