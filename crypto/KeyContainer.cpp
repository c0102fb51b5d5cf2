#include "crypto/KeyContainer.h"

#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <array>

#include "crypto/KeyBlob.h"
#include "crypto/Rc4.h"
#include "crypto/RsaSignature.h"
#include "crypto/Wipe.h"

namespace ulka {
namespace {

constexpr uint32_t kDefaultBits = 512;
constexpr uint32_t kMinBits = 384;
constexpr uint32_t kMaxBits = 16384;
constexpr size_t kPasswordKeyBytes = 5;

void ApplyPasswordKey(std::span<uint8_t> blob, std::string_view utf8Password) {
  std::array<uint8_t, 16> key = PasswordKey(utf8Password);
  Rc4 cipher(key);
  cipher.Apply(blob.subspan(kBlobHeaderSize));
  WipeBytes(key.data(), key.size());
}

openssl::PKey GenerateRsaKey(uint32_t bits) {
  openssl::PKeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), static_cast<int>(bits)) != 1)
    return nullptr;
  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_generate(context.get(), &key) != 1) return nullptr;
  return openssl::PKey(key);
}

}  // namespace

std::array<uint8_t, 16> PasswordKey(std::string_view utf8Password) {
  uint8_t hash[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(utf8Password.data()), utf8Password.size(), hash);
  std::array<uint8_t, 16> key{};
  std::copy(hash, hash + kPasswordKeyBytes, key.begin());
  WipeBytes(hash, sizeof hash);
  return key;
}

std::optional<uint32_t> KeyContainer::KeyBitsOf(int32_t size) {
  uint32_t bits = static_cast<uint32_t>(size) & 0xFFFF;
  if (bits == 0) bits = kDefaultBits;
  if (bits < kMinBits || bits > kMaxBits || bits % 8 != 0) return std::nullopt;
  return bits;
}

bool KeyContainer::CreateKey(int32_t size) {
  std::optional<uint32_t> bits = KeyBitsOf(size);
  if (!bits) return false;
  openssl::PKey key = GenerateRsaKey(*bits);
  if (!key) return false;
  key_ = std::move(key);
  return true;
}

std::optional<Bytes> KeyContainer::ExportPublicKey() const {
  Bytes blob = PublicKeyBlob(key_.get());
  if (blob.empty()) return std::nullopt;
  return blob;
}

std::optional<Bytes> KeyContainer::ExportPrivateKey(std::string_view utf8Password) const {
  Bytes blob = PrivateKeyBlob(key_.get());
  if (blob.empty()) return std::nullopt;
  ApplyPasswordKey(blob, utf8Password);
  return blob;
}

bool KeyContainer::ImportPrivateKey(std::span<const uint8_t> blob, std::string_view utf8Password) {
  if (blob.size() <= kBlobHeaderSize) return false;
  Bytes plain(blob.begin(), blob.end());
  ApplyPasswordKey(plain, utf8Password);
  openssl::PKey key = PrivateKeyFromBlob(plain);
  WipeBytes(plain.data(), plain.size());
  if (!key) return false;
  key_ = std::move(key);
  return true;
}

std::optional<Bytes> KeyContainer::Sign(std::span<const uint8_t> data) const {
  if (!key_) return std::nullopt;
  return SignMd5(key_.get(), data);
}

}  // namespace ulka
