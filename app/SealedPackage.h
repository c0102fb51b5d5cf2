// A sealed package opened lazily. Its signature is checked over the whole ciphertext when it is
// opened (one digest and one RSA check); after that only the ranges the archive reader asks for
// are decrypted, each once, into a plaintext buffer of the package's size whose untouched pages
// cost no memory. What it serves is byte for byte what decrypting everything gives.
#pragma once

#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "archive/ZipByteSource.h"
#include "automation/Variant.h"
#include "crypto/Cryptor.h"

namespace ulka {

struct PackageKeys;

class SealedPackage final : public ZipByteSource {
 public:
  // The package inside `resource` from `payloadOffset` on (signed ciphertext). Null when the
  // signature does not verify under the public key or a key is unusable.
  static std::shared_ptr<SealedPackage> Open(const Variant& resource, size_t payloadOffset, const PackageKeys& keys);

  std::span<const uint8_t> Extent() const override;
  void Prepare(size_t offset, size_t count) const override;
  size_t DecryptedBytes() const;  // so far

  SealedPackage(const Variant& resource, std::span<const uint8_t> ciphertext,
                std::unique_ptr<TwofishCfb8Decryptor> decryptor);

 private:
  bool Decrypted(size_t chunk) const { return (decrypted_[chunk / 64] >> (chunk % 64)) & 1; }

  Variant resource_;  // holds the ciphertext's bytes
  std::span<const uint8_t> ciphertext_;
  std::unique_ptr<TwofishCfb8Decryptor> decryptor_;
  std::unique_ptr<uint8_t[]> plain_;
  mutable std::mutex lock_;
  mutable std::vector<uint64_t> decrypted_;  // one bit per chunk of plaintext
  mutable size_t decryptedBytes_ = 0;
};

}  // namespace ulka
