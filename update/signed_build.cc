// Reading the product and build a bundle's signature vouches for, and
// comparing them with what the reply announced and what is installed.
#include "update/signed_build.h"

#include <cstdlib>

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kProductKey = "product:";
constexpr std::string_view kBuildKey = "build:";
// Any number of 18 digits fits in 64 bits, so it compares exactly.
constexpr std::size_t kMaxBuildDigits = 18;

bool Fail(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return false;
}

bool IsPlainNumber(std::string_view text) {
  return !text.empty() && text.size() <= kMaxBuildDigits &&
         text.find_first_not_of("0123456789") == std::string_view::npos;
}

unsigned long long ValueOf(std::string_view digits) {
  unsigned long long value = 0;
  for (char c : digits) value = value * 10 + static_cast<unsigned>(c - '0');
  return value;
}

}  // namespace

bool ParseTrustedComment(std::string_view comment, SignedBuild* signedBuild, std::string* why) {
  bool haveProduct = false;
  bool haveBuild = false;
  while (!comment.empty()) {
    const std::size_t start = comment.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) break;
    comment.remove_prefix(start);
    const std::size_t end = comment.find_first_of(kBlanks);
    const std::string_view token = comment.substr(0, end);
    comment.remove_prefix(token.size());
    // A token given twice could mean either value: the comment says nothing.
    if (token.substr(0, kProductKey.size()) == kProductKey) {
      if (haveProduct) return Fail(why, "the trusted comment names two products");
      haveProduct = true;
      signedBuild->product = std::string(token.substr(kProductKey.size()));
    } else if (token.substr(0, kBuildKey.size()) == kBuildKey) {
      if (haveBuild) return Fail(why, "the trusted comment names two builds");
      haveBuild = true;
      signedBuild->build = std::string(token.substr(kBuildKey.size()));
    }
  }
  if (!haveProduct) return Fail(why, "the trusted comment names no product");
  if (!haveBuild) return Fail(why, "the trusted comment names no build");
  if (!IsPlainNumber(signedBuild->build)) {
    return Fail(why, "the trusted comment's build is not a number of 1 to 18 digits");
  }
  return true;
}

SignedBuildCheck CheckSignedBuild(std::string_view comment, const std::string& announced,
                                  const std::string& installedBuild, std::string* build,
                                  std::string* why) {
  SignedBuild signedBuild;
  if (!ParseTrustedComment(comment, &signedBuild, why)) return SignedBuildCheck::kUnreadable;
  if (signedBuild.product != kBundleProduct) {
    Fail(why,
         "signed for the product \"" + signedBuild.product + "\", not \"" + kBundleProduct + "\"");
    return SignedBuildCheck::kOtherProduct;
  }
  const unsigned long long value = ValueOf(signedBuild.build);
  if (!IsPlainNumber(announced) || ValueOf(announced) != value) {
    Fail(why, "signed as build " + signedBuild.build + ", announced as build " + announced);
    return SignedBuildCheck::kOtherBuild;
  }
  // The installed build is read as the update check reads it: a missing or
  // unreadable one counts as 0, and saturates rather than overflows.
  const long long installed = std::strtoll(installedBuild.c_str(), nullptr, 10);
  if (installed >= 0 && value <= static_cast<unsigned long long>(installed)) {
    Fail(why, "signed build " + signedBuild.build + " is not newer than the installed build " +
                  installedBuild);
    return SignedBuildCheck::kNotNewer;
  }
  *build = std::to_string(value);
  return SignedBuildCheck::kAccepted;
}
