// The cryptography of signed updates, over libsodium: base64 text, the
// BLAKE2b-512 hash of a file and Ed25519 signature checks.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Blake2b512 = std::array<unsigned char, 64>;
using Ed25519Signature = std::array<unsigned char, 64>;
using Ed25519PublicKey = std::array<unsigned char, 32>;

// Decodes standard base64 with its padding; nothing else may stand in text
// (no blanks, no line breaks). False for anything else.
bool DecodeBase64(std::string_view text, std::vector<unsigned char>* bytes);

// The BLAKE2b-512 hash of the file at path, read once from start to end.
// False when it cannot be read.
bool HashFileBlake2b512(const std::string& path, Blake2b512* hash);

// Whether signature is key's Ed25519 signature of message.
bool VerifyEd25519(const Ed25519Signature& signature, const unsigned char* message,
                   std::size_t size, const Ed25519PublicKey& key);

}  // namespace platform
