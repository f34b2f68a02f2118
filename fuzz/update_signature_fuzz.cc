// Reading update keys and signatures: "updateKey" and key files come from the
// data directory and the installed folder, signatures from the network. Any
// text is read without a fault; what is accepted is whole (a key id of eight
// bytes, a trusted comment of one line), and no key vouches for a signature
// whose comment signature does not hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "update/update_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
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
    std::vector<UpdateKey> keys;
    if (ParseUpdateKey(keyText, &key, &why)) keys.push_back(key);
    const UpdateKey* signer = FindSigningKey(signature, keys, &why);
    FUZZ_CHECK(signer == nullptr || signer->id == signature.keyId);
  }
  return 0;
}
