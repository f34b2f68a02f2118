// What the signature of a page-bundle archive vouches for. Its trusted
// comment (signed with the archive, so it cannot be changed without the key)
// names the product and the build as blank-separated tokens:
//
//   product:quorbital-bundle build:1235
//
// Other tokens may stand beside them (minisign's own "timestamp:" and
// "file:", say) and are not read. The reply of the update service is not
// signed; the build it announces is believed only when the signature says the
// same, so nobody who can answer the update request can offer an old archive
// as a new one or announce a build that no update can ever pass.
#pragma once

#include <string>
#include <string_view>

// The product every bundle archive of this client names.
inline constexpr char kBundleProduct[] = "quorbital-bundle";

struct SignedBuild {
  std::string product;
  std::string build;  // 1 to 18 decimal digits
};

// Reads the "product:" and "build:" tokens of a trusted comment (blanks are
// spaces and tabs). False, with why in English for the log, when either is
// missing, given twice, or the build is no plain number of 1 to 18 digits.
bool ParseTrustedComment(std::string_view comment, SignedBuild* signedBuild, std::string* why);

enum class SignedBuildCheck {
  kAccepted,
  kUnreadable,    // no product or build can be read from the comment
  kOtherProduct,  // the comment names another product
  kOtherBuild,    // the comment's build is not the one the reply announced
  kNotNewer,      // the comment's build is not above the installed one
};

// Whether the trusted comment vouches for this client's bundle of exactly the
// announced build (digits as the update check keeps them), and whether that
// build is above installedBuild (the text of "build" in "version.ini"). When
// accepted, *build is the signed build as it is recorded: its decimal value
// without leading zeros.
SignedBuildCheck CheckSignedBuild(std::string_view comment, const std::string& announced,
                                  const std::string& installedBuild, std::string* build,
                                  std::string* why);
