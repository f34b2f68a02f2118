// Reading update keys and signatures: "updateKey" and key files come from the
// data directory and the installed folder, signatures from the network. Any
// text is read without a fault; what is accepted is whole (a key id of eight
// bytes, a trusted comment of one line), no key vouches for a signature
// whose comment signature does not hold, and a trusted comment is accepted
// only for this product and exactly the announced build, above the installed
// one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "update/signed_build.h"
#include "update/update_signature.h"

namespace {

bool IsDigits(const std::string& text) {
  return !text.empty() && text.size() <= 18 &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

// The comment as the update reads it, announced as its own build and as
// another, over an installed build taken from the comment's first token.
void CheckComment(std::string_view comment) {
  SignedBuild signedBuild;
  std::string why;
  const bool parsed = ParseTrustedComment(comment, &signedBuild, &why);
  FUZZ_CHECK(parsed || !why.empty());
  if (parsed) FUZZ_CHECK(IsDigits(signedBuild.build));
  const std::string installed(comment.substr(0, comment.find(' ')));
  for (const std::string& announced :
       {parsed ? signedBuild.build : std::string("1"), std::string("1234")}) {
    std::string build = "none";
    const SignedBuildCheck result = CheckSignedBuild(comment, announced, installed, &build, &why);
    if (result != SignedBuildCheck::kAccepted) {
      FUZZ_CHECK(build == "none");
      continue;
    }
    FUZZ_CHECK(parsed && signedBuild.product == kBundleProduct);
    FUZZ_CHECK(IsDigits(build) && std::stoull(build) == std::stoull(announced));
    FUZZ_CHECK(std::stoll(build) > std::strtoll(installed.c_str(), nullptr, 10));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckComment(text);
  std::string why;
  UpdateKey key;
  const bool isKey = ParseUpdateKey(text, &key, &why);
  FUZZ_CHECK(isKey || !why.empty());
  if (isKey) FUZZ_CHECK(KeyIdText(key.id).size() == 16);

  // The same text as a signature, and the input split at its first blank
  // line as a key followed by a signature.
  const std::size_t split = text.find("\n\n");
  const std::vector<std::pair<std::string_view, std::string_view>> cases = {
      {text, text},
      {text.substr(0, split),
       split == std::string_view::npos ? std::string_view() : text.substr(split + 2)}};
  for (const auto& [keyText, signatureText] : cases) {
    UpdateSignature signature;
    why.clear();
    if (!ParseUpdateSignature(signatureText, &signature, &why)) {
      FUZZ_CHECK(!why.empty());
      continue;
    }
    FUZZ_CHECK(signature.trustedComment.find('\n') == std::string::npos);
    FUZZ_CHECK(signature.trustedComment.size() < signatureText.size());
    CheckComment(signature.trustedComment);
    std::vector<UpdateKey> keys;
    if (ParseUpdateKey(keyText, &key, &why)) keys.push_back(key);
    const UpdateKey* signer = FindSigningKey(signature, keys, &why);
    FUZZ_CHECK(signer == nullptr || signer->id == signature.keyId);
  }
  return 0;
}
