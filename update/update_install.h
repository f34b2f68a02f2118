// One update, from the archive's address to a recorded build: where it may
// come from, its signature, the download and the installation. The update
// window runs it on its install thread and shows the outcome.
#pragma once

#include <functional>
#include <string>

#include "platform/windows.h"
#include "update/update_trust.h"

enum class UpdateOutcome {
  kInstalled,
  kDownloadFailed,   // the archive (or its signature) could not be fetched
  kUntrustedSource,  // an address neither https nor the service's, unsigned
  kUnsigned,         // a signature is required and none is published
  kBadSignature,     // a signature that is malformed, of another key or wrong
  kNotThisProduct,   // signed, but not as this client's page bundle
  kWrongBuild,       // signed as another build than the reply announced
  kNotNewer,         // signed as a build not above the installed one
  kTooLarge,
  kTooManyEntries,
  kBroken,
  kUnsafeName,  // an entry would be written outside the data directory
  kNoSpace,
  kWriteFailed,
  kNotRecorded,
};

struct UpdateRequest {
  std::string dataDir;      // narrow, system code page
  std::wstring packageUrl;  // as the service named it
  std::wstring suffix;      // the cache-buster appended to every request
  std::wstring archivePath;
  // The build the reply announced (digits). A signed archive must be signed
  // as this build; what "version.ini" records last of all is the signed
  // build, or this one where no key is known.
  std::string build;
  UpdateTrust trust;
};

// Runs the update on the calling thread. The signature (the package address
// with ".minisig" appended) is fetched first; an archive that needs one and
// has none, whose signature vouches for another product or build (or one not
// above the installed build), or that comes from where it may not, is
// refused before a byte of it is fetched. sink gets the archive's download progress; unpacking is
// called once the archive is there. The old bundle and build stay on every
// outcome but kInstalled, and the archive file is gone afterwards.
UpdateOutcome InstallUpdate(const UpdateRequest& request, IBindStatusCallback* sink,
                            const std::function<void()>& unpacking);
