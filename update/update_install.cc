// The steps of one update, each refusing what it must before the next one
// fetches or writes anything.
#include "update/update_install.h"

#include <cstdint>
#include <cstdio>

#include "app/locations.h"
#include "platform/log.h"
#include "platform/url_download.h"
#include "platform/url_fetch.h"
#include "update/signed_build.h"
#include "update/unpack_bundle.h"
#include "update/update_signature.h"
#include "update/work_files.h"
#include "util/text_convert.h"

namespace {

constexpr char kSection[] = "versionInformation";
constexpr wchar_t kSignatureSuffix[] = L".minisig";
// A bundle archive is tens of megabytes; a larger download is not one, and is
// stopped before it fills the disk.
constexpr std::uint64_t kMaxArchiveBytes = std::uint64_t{512} << 20;
// A signature is four short lines.
constexpr std::size_t kMaxSignatureBytes = 8192;
constexpr long kSignatureTimeoutMs = 30000;
constexpr DWORD kBuildBufferSize = 20;

UpdateOutcome OutcomeOf(UnpackResult result) {
  switch (result) {
    case UnpackResult::kInstalled:
      return UpdateOutcome::kInstalled;
    case UnpackResult::kTooLarge:
      return UpdateOutcome::kTooLarge;
    case UnpackResult::kTooManyEntries:
      return UpdateOutcome::kTooManyEntries;
    case UnpackResult::kNoSpace:
      return UpdateOutcome::kNoSpace;
    case UnpackResult::kWriteFailed:
      return UpdateOutcome::kWriteFailed;
    case UnpackResult::kNotRecorded:
      return UpdateOutcome::kNotRecorded;
    case UnpackResult::kUnsafeName:
      return UpdateOutcome::kUnsafeName;
    case UnpackResult::kBroken:
      break;
  }
  return UpdateOutcome::kBroken;
}

// The signature published next to the archive, checked as far as it can be
// without the archive. Sets *key to the trusted key that made it; leaves it
// null when there is none and none is required.
UpdateOutcome FetchSignature(const UpdateRequest& request, bool required,
                             UpdateSignature* signature, const UpdateKey** key) {
  const UpdateTrust& trust = request.trust;
  std::string text;
  const HRESULT fetched = platform::FetchUrlToMemory(
      request.packageUrl + kSignatureSuffix + request.suffix, kMaxSignatureBytes,
      kSignatureTimeoutMs, &text,
      required ? AnyWebAddress() : TrustedSourceFilter(trust.serviceOrigin));
  if (fetched != S_OK) {
    if (!required) {
      platform::Log("update: no signature is published next to the archive");
      return UpdateOutcome::kInstalled;
    }
    if (fetched != INET_E_RESOURCE_NOT_FOUND && fetched != E_ACCESSDENIED) {
      return UpdateOutcome::kDownloadFailed;
    }
    platform::LogWarning("update: the archive has no signature, and it needs one");
    return UpdateOutcome::kUnsigned;
  }
  std::string why;
  if (!ParseUpdateSignature(text, signature, &why) ||
      (*key = FindSigningKey(*signature, trust.keys, &why)) == nullptr) {
    platform::LogWarning("update: the archive's signature is refused: %s", why.c_str());
    return UpdateOutcome::kBadSignature;
  }
  platform::Log("update: signature by key %s, trusted comment: %s", KeyIdText((*key)->id).c_str(),
                signature->trustedComment.c_str());
  return UpdateOutcome::kInstalled;
}

// What a verified signature vouches for, against what the reply announced and
// what is installed; *record becomes the signed build.
UpdateOutcome CheckSignedComment(const UpdateRequest& request, const UpdateSignature& signature,
                                 std::string* record) {
  char installed[kBuildBufferSize] = {};
  GetPrivateProfileStringA(kSection, "build", "", installed, kBuildBufferSize,
                           (request.dataDir + kVersionFileA).c_str());
  std::string why;
  const SignedBuildCheck check =
      CheckSignedBuild(signature.trustedComment, request.build, installed, record, &why);
  if (check == SignedBuildCheck::kAccepted) return UpdateOutcome::kInstalled;
  platform::LogWarning("update: the archive is refused: %s", why.c_str());
  switch (check) {
    case SignedBuildCheck::kOtherBuild:
      return UpdateOutcome::kWrongBuild;
    case SignedBuildCheck::kNotNewer:
      return UpdateOutcome::kNotNewer;
    default:
      return UpdateOutcome::kNotThisProduct;
  }
}

}  // namespace

UpdateOutcome InstallUpdate(const UpdateRequest& request, IBindStatusCallback* sink,
                            const std::function<void()>& unpacking) {
  const UpdateTrust& trust = request.trust;
  const std::string url8 = platform::UrlForTransfer(request.packageUrl);
  const bool trustedSource = IsTrustedSource(url8, trust.serviceOrigin);
  const bool required = trust.signatureRequired || !trustedSource;
  if (platform::UrlOrigin(url8).empty() || (!trustedSource && trust.keys.empty())) {
    platform::LogWarning(
        "update: %s is refused: not https, not the service's origin, and no "
        "trusted key could vouch for it",
        url8.c_str());
    return UpdateOutcome::kUntrustedSource;
  }
  if (required && trust.keys.empty()) return UpdateOutcome::kUnsigned;

  // The archive and the staging are this client's scratch files until the
  // installation is over; no other client's start removes them meanwhile.
  DataDirWork work(request.dataDir);
  UpdateSignature signature;
  const UpdateKey* key = nullptr;
  UpdateOutcome outcome = FetchSignature(request, required, &signature, &key);
  if (outcome != UpdateOutcome::kInstalled) return outcome;
  // Unsigned (only where no key is known at all), the reply's build is all
  // there is; signed, the signature's build is the build.
  std::string build = request.build;
  if (key != nullptr) {
    outcome = CheckSignedComment(request, signature, &build);
    if (outcome != UpdateOutcome::kInstalled) return outcome;
  }

  platform::UrlDownloadBounds bounds;
  bounds.max_bytes = kMaxArchiveBytes;
  // Where the archive may be sent from matters only when no signature vouches
  // for what arrives.
  bounds.allow_url = key != nullptr ? AnyWebAddress() : TrustedSourceFilter(trust.serviceOrigin);
  const std::wstring url = request.packageUrl + request.suffix;
  const HRESULT downloaded =
      platform::DownloadUrlToFile(url.c_str(), request.archivePath.c_str(), sink, bounds);
  if (downloaded == E_ACCESSDENIED) return UpdateOutcome::kUntrustedSource;
  if (downloaded != S_OK) return UpdateOutcome::kDownloadFailed;
  if (unpacking) unpacking();

  std::string archive;
  WideToAnsi(request.archivePath, archive);
  std::string why;
  if (key != nullptr && !VerifyFileSignature(archive, signature, *key, &why)) {
    platform::LogWarning("update: the archive is refused: %s", why.c_str());
    std::remove(archive.c_str());
    return UpdateOutcome::kBadSignature;
  }

  // Recording the build is the installation's last step: a build that
  // cannot be recorded puts the old bundle back, so the next start offers
  // the update again instead of running pages of another build.
  const std::string profile = request.dataDir + kVersionFileA;
  return OutcomeOf(InstallBundleArchive(request.dataDir, archive, [&] {
    if (WritePrivateProfileStringA(kSection, "build", build.c_str(), profile.c_str())) return true;
    platform::Log("update: cannot record build %s in %s", build.c_str(), profile.c_str());
    return false;
  }));
}
