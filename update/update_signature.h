// Signed page-bundle archives: the public keys that may vouch for an archive
// and the signature published next to it, in minisign's formats, and the
// check of an archive against them. A key is a comment line
// ("untrusted comment: ...") and one base64 line of "Ed", an 8-byte key id
// and a 32-byte Ed25519 public key; the base64 line alone is accepted too.
// A signature is an untrusted comment line, one base64 line of "ED", the
// signing key's id and the Ed25519 signature of the file's BLAKE2b-512
// hash, a "trusted comment: ..." line, and one base64 line with the
// signature of the first signature followed by the trusted comment.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/signature_check.h"

using UpdateKeyId = std::array<unsigned char, 8>;

struct UpdateKey {
  UpdateKeyId id{};
  platform::Ed25519PublicKey key{};
};

struct UpdateSignature {
  UpdateKeyId keyId{};
  platform::Ed25519Signature signature{};  // of the file's BLAKE2b-512 hash
  std::string trustedComment;
  platform::Ed25519Signature commentSignature{};  // of signature + trustedComment
};

// The key id as minisign shows it: 16 upper-case hexadecimal digits, the
// id's bytes from last to first.
std::string KeyIdText(const UpdateKeyId& id);

// Each returns false and says why in *why (English, for the log) for text
// that is not one well-formed key or signature.
bool ParseUpdateKey(std::string_view text, UpdateKey* key, std::string* why);
bool ParseUpdateSignature(std::string_view text, UpdateSignature* signature, std::string* why);

// The key among keys whose id the signature names and whose signature of the
// trusted comment holds, so the comment is as the signer wrote it; nullptr
// (and why) when there is none.
const UpdateKey* FindSigningKey(const UpdateSignature& signature,
                                const std::vector<UpdateKey>& keys, std::string* why);

// Whether key signed the file at path as signature says.
bool VerifyFileSignature(const std::string& path, const UpdateSignature& signature,
                         const UpdateKey& key, std::string* why);
