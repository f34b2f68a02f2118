// Hashes and signature checks with libsodium.
#include "platform/signature_check.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform {
namespace {

constexpr std::size_t kReadSize = std::size_t{256} * 1024;

bool Ready() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = sodium_init() >= 0; });
  return ready;
}

}  // namespace

bool DecodeBase64(std::string_view text, std::vector<unsigned char>* bytes) {
  if (bytes == nullptr || !Ready()) return false;
  bytes->assign(text.size() / 4 * 3 + 3, 0);
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes->data(), bytes->size(), text.data(), text.size(), nullptr, &length,
                        &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size()) {
    bytes->clear();
    return false;
  }
  bytes->resize(length);
  return true;
}

bool HashFileBlake2b512(const std::string& path, Blake2b512* hash) {
  if (hash == nullptr || !Ready()) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, hash->size());
  std::vector<unsigned char> buffer(kReadSize);
  bool ok = true;
  for (;;) {
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    crypto_generichash_update(&state, buffer.data(), static_cast<unsigned long long>(got));
  }
  close(fd);
  crypto_generichash_final(&state, hash->data(), hash->size());
  return ok;
}

bool VerifyEd25519(const Ed25519Signature& signature, const unsigned char* message,
                   std::size_t size, const Ed25519PublicKey& key) {
  return Ready() && crypto_sign_verify_detached(signature.data(), message, size, key.data()) == 0;
}

}  // namespace platform
