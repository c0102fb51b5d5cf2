#include "app/SealedPackage.h"

#include <stdexcept>

#include "app/PackageSource.h"
#include "automation/ByteConvert.h"
#include "crypto/KeyBlob.h"
#include "crypto/RsaSignature.h"
#include "crypto/Signer.h"
#include "crypto/Wipe.h"

namespace ulka {

namespace {

// Decryption goes by chunks this long: small enough that reading the records of an archive of
// many entries decrypts little beyond them.
constexpr size_t kChunk = 64;

bool SignatureVerifies(const SignedParts& parts, const WideString& publicKeyText) {
  const Bytes blob = VarToKey(Variant(publicKeyText));
  openssl::PKey key = PublicKeyFromBlob(blob);
  return key && VerifyMd5(key.get(), parts.data, parts.signature);
}

}  // namespace

std::shared_ptr<SealedPackage> SealedPackage::Open(const Variant& resource, size_t payloadOffset,
                                                   const PackageKeys& keys) {
  std::span<const uint8_t> bytes = resource.ByteSpan();
  if (payloadOffset > bytes.size()) return nullptr;
  std::optional<SignedParts> parts = SplitSignedData(bytes.subspan(payloadOffset));
  if (!parts || !SignatureVerifies(*parts, keys.PublicKey)) return nullptr;
  Bytes key = VarToKey(Variant(keys.Key));
  const Bytes initVector = VarToKey(Variant(keys.InitVector));
  std::unique_ptr<TwofishCfb8Decryptor> decryptor;
  try {
    decryptor = std::make_unique<TwofishCfb8Decryptor>(key, initVector);
  } catch (const std::invalid_argument&) {
  }
  WipeBytes(key.data(), key.size());
  if (!decryptor) return nullptr;
  return std::make_shared<SealedPackage>(resource, parts->data, std::move(decryptor));
}

SealedPackage::SealedPackage(const Variant& resource, std::span<const uint8_t> ciphertext,
                             std::unique_ptr<TwofishCfb8Decryptor> decryptor)
    : resource_(resource),
      ciphertext_(ciphertext),
      decryptor_(std::move(decryptor)),
      plain_(std::make_unique_for_overwrite<uint8_t[]>(ciphertext.size())),
      decrypted_((ciphertext.size() + kChunk * 64 - 1) / (kChunk * 64)) {}

std::span<const uint8_t> SealedPackage::Extent() const { return {plain_.get(), ciphertext_.size()}; }

size_t SealedPackage::DecryptedBytes() const {
  std::lock_guard guard(lock_);
  return decryptedBytes_;
}

void SealedPackage::Prepare(size_t offset, size_t count) const {
  if (count == 0) return;
  if (offset > ciphertext_.size() || count > ciphertext_.size() - offset) throw std::out_of_range("range outside the package");
  const size_t last = (offset + count - 1) / kChunk;
  std::lock_guard guard(lock_);
  // Each run of chunks not yet decrypted is decrypted in one pass.
  for (size_t chunk = offset / kChunk; chunk <= last;) {
    if (Decrypted(chunk)) {
      ++chunk;
      continue;
    }
    size_t end = chunk;
    while (end <= last && !Decrypted(end)) ++end;
    const size_t from = chunk * kChunk;
    const size_t to = std::min(end * kChunk, ciphertext_.size());
    decryptor_->Decrypt(ciphertext_, from, std::span<uint8_t>(plain_.get() + from, to - from));
    decryptedBytes_ += to - from;
    for (; chunk < end; ++chunk) decrypted_[chunk / 64] |= uint64_t{1} << (chunk % 64);
  }
}

}  // namespace ulka
