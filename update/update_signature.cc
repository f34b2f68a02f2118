// Reading minisign keys and signatures by hand (both are a few lines of
// text) and checking archives against them with the platform's libsodium.
#include "update/update_signature.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
// minisign's comments are at most 1,024 bytes; a line this long is no
// comment of a key or signature of ours.
constexpr std::size_t kMaxLine = 2048;
constexpr char kKeyAlgorithm[] = "Ed";
constexpr char kHashedAlgorithm[] = "ED";
constexpr char kLegacyAlgorithm[] = "Ed";
constexpr std::size_t kKeyBytes = 2 + 8 + 32;
constexpr std::size_t kSignatureBytes = 2 + 8 + 64;

bool Fail(std::string* why, const char* reason) {
  if (why != nullptr) *why = reason;
  return false;
}

// Splits text into lines at "\n", each without a "\r" before it. A final
// line break ends the last line and adds none.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Blank lines after the last one that counts are allowed; anything else is
// not part of a key or a signature.
bool OnlyBlankAfter(const std::vector<std::string_view>& lines, std::size_t used) {
  return std::all_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(used, lines.size())),
                     lines.end(), [](std::string_view line) { return line.empty(); });
}

bool DecodeExactly(std::string_view text, std::size_t size, std::vector<unsigned char>* bytes) {
  return text.size() <= kMaxLine && platform::DecodeBase64(text, bytes) && bytes->size() == size;
}

}  // namespace

std::string KeyIdText(const UpdateKeyId& id) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text(id.size() * 2, '0');
  // The id is a little-endian number; it is written most significant first.
  for (std::size_t i = 0; i < id.size(); ++i) {
    text[2 * (id.size() - 1 - i)] = kHex[id[i] >> 4];
    text[2 * (id.size() - 1 - i) + 1] = kHex[id[i] & 0xF];
  }
  return text;
}

bool ParseUpdateKey(std::string_view text, UpdateKey* key, std::string* why) {
  const std::vector<std::string_view> lines = Lines(text);
  std::size_t at = 0;
  if (!lines.empty() && StartsWith(lines[0], kUntrustedPrefix)) {
    if (lines[0].size() > kMaxLine) return Fail(why, "the key's comment is too long");
    at = 1;
  }
  if (at >= lines.size()) return Fail(why, "no key line");
  if (!OnlyBlankAfter(lines, at + 1)) return Fail(why, "text after the key");
  std::vector<unsigned char> bytes;
  if (!DecodeExactly(lines[at], kKeyBytes, &bytes))
    return Fail(why, "the key is not 42 bytes of base64");
  if (std::memcmp(bytes.data(), kKeyAlgorithm, 2) != 0) return Fail(why, "not an Ed25519 key");
  std::copy_n(bytes.begin() + 2, key->id.size(), key->id.begin());
  std::copy_n(bytes.begin() + 10, key->key.size(), key->key.begin());
  return true;
}

bool ParseUpdateSignature(std::string_view text, UpdateSignature* signature, std::string* why) {
  const std::vector<std::string_view> lines = Lines(text);
  if (lines.size() < 4) return Fail(why, "fewer than four lines");
  if (!OnlyBlankAfter(lines, 4)) return Fail(why, "text after the signature");
  if (!StartsWith(lines[0], kUntrustedPrefix) || lines[0].size() > kMaxLine) {
    return Fail(why, "no untrusted comment line");
  }
  std::vector<unsigned char> bytes;
  if (!DecodeExactly(lines[1], kSignatureBytes, &bytes)) {
    return Fail(why, "the signature is not 74 bytes of base64");
  }
  if (std::memcmp(bytes.data(), kLegacyAlgorithm, 2) == 0) {
    return Fail(why, "a signature of the whole file (legacy format), not of its hash");
  }
  if (std::memcmp(bytes.data(), kHashedAlgorithm, 2) != 0) return Fail(why, "an unknown algorithm");
  std::copy_n(bytes.begin() + 2, signature->keyId.size(), signature->keyId.begin());
  std::copy_n(bytes.begin() + 10, signature->signature.size(), signature->signature.begin());
  if (!StartsWith(lines[2], kTrustedPrefix) || lines[2].size() > kMaxLine) {
    return Fail(why, "no trusted comment line");
  }
  signature->trustedComment = std::string(lines[2].substr(kTrustedPrefix.size()));
  if (!DecodeExactly(lines[3], signature->commentSignature.size(), &bytes)) {
    return Fail(why, "the comment's signature is not 64 bytes of base64");
  }
  std::copy(bytes.begin(), bytes.end(), signature->commentSignature.begin());
  return true;
}

const UpdateKey* FindSigningKey(const UpdateSignature& signature,
                                const std::vector<UpdateKey>& keys, std::string* why) {
  const auto key = std::find_if(keys.begin(), keys.end(),
                                [&](const UpdateKey& k) { return k.id == signature.keyId; });
  if (key == keys.end()) {
    if (why != nullptr)
      *why = "signed by key " + KeyIdText(signature.keyId) + ", not a trusted one";
    return nullptr;
  }
  std::vector<unsigned char> message(signature.signature.begin(), signature.signature.end());
  message.insert(message.end(), signature.trustedComment.begin(), signature.trustedComment.end());
  if (!platform::VerifyEd25519(signature.commentSignature, message.data(), message.size(),
                               key->key)) {
    if (why != nullptr) *why = "the trusted comment was altered";
    return nullptr;
  }
  return &*key;
}

bool VerifyFileSignature(const std::string& path, const UpdateSignature& signature,
                         const UpdateKey& key, std::string* why) {
  platform::Blake2b512 hash;
  if (!platform::HashFileBlake2b512(path, &hash)) return Fail(why, "the archive cannot be read");
  if (key.id != signature.keyId ||
      !platform::VerifyEd25519(signature.signature, hash.data(), hash.size(), key.key)) {
    return Fail(why, "the signature does not match the archive");
  }
  return true;
}
