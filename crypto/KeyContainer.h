// The key container of one signer: its RSA signature key pair, held in memory only, with the
// export and import of CryptoAPI key blobs.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "automation/Types.h"
#include "crypto/OpenSsl.h"

namespace ulka {

class KeyContainer {
 public:
  KeyContainer() = default;
  KeyContainer(const KeyContainer&) = delete;
  KeyContainer& operator=(const KeyContainer&) = delete;

  // CryptGenKey's rule for the key length: the low 16 bits of `size`, 0 meaning the default of
  // 512 bits; the base provider's range is 384 to 16384 bits in steps of 8.
  static std::optional<uint32_t> KeyBitsOf(int32_t size);

  // Replaces the key pair with a new one; false (keeping the old one) when it cannot be made.
  bool CreateKey(int32_t size);
  bool HasKey() const { return key_ != nullptr; }
  EVP_PKEY* Key() const { return key_.get(); }

  std::optional<Bytes> ExportPublicKey() const;
  // A PRIVATEKEYBLOB whose part after the BLOBHEADER is encrypted with the password key.
  std::optional<Bytes> ExportPrivateKey(std::string_view utf8Password) const;
  // Replaces the key pair with the one in such a blob; false for a wrong password or a damaged
  // blob, keeping the old one.
  bool ImportPrivateKey(std::span<const uint8_t> blob, std::string_view utf8Password);

  std::optional<Bytes> Sign(std::span<const uint8_t> data) const;

 private:
  openssl::PKey key_;
};

// The RC4 key CryptDeriveKey makes from a SHA-1 hash of the password with the base provider's
// defaults: a 40-bit key (the first 5 bytes of the hash) salted with 11 zero bytes.
std::array<uint8_t, 16> PasswordKey(std::string_view utf8Password);

}  // namespace ulka
