// The signer object: RSA signature keys in CryptoAPI's blob formats, signatures over MD5, and the
// signed-data layout (data, signature, signature length as a 32-bit little-endian integer).
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "automation/VekObject.h"
#include "crypto/KeyContainer.h"

namespace ulka {

struct SignedParts {
  std::span<const uint8_t> data;
  std::span<const uint8_t> signature;
};

Bytes BuildSignedData(std::span<const uint8_t> data, std::span<const uint8_t> signature);
// Nullopt unless the bytes hold a non-empty data part and a signature of a length in range.
std::optional<SignedParts> SplitSignedData(std::span<const uint8_t> bytes);

// The key of the public key blob verified last. Reading a blob and preparing its key costs as
// much as the verification itself, and the host verifies under one key again and again.
class PublicKeyCache {
 public:
  std::shared_ptr<EVP_PKEY> Find(std::span<const uint8_t> blob);  // null for an unusable blob

 private:
  std::mutex mutex_;  // a signer may be shared by script threads
  Bytes blob_;
  std::shared_ptr<EVP_PKEY> key_;
};

class TSigner : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TSigner() : TVekObject(Info()) {}

  bool CreateKey(int32_t size);
  Variant ExportPublicKey();
  Variant ExportPrivateKey(const WideString& password);
  bool ImportPrivateKey(const Variant& privateKey, const WideString& password);
  Variant Sign(const Variant& data);
  bool VerifySign(const Variant& data, const Variant& signature, const Variant& publicKey);
  Variant SignData(const Variant& data);
  bool VerifyData(const Variant& data, const Variant& publicKey);
  Variant GetSignedData(const Variant& data, const Variant& publicKey);

 private:
  std::optional<Bytes> SignBytes(std::span<const uint8_t> data);
  // Whether the signature verifies over the data under a PUBLICKEYBLOB.
  bool VerifySignBytes(std::span<const uint8_t> data, std::span<const uint8_t> signature,
                       std::span<const uint8_t> publicKey);

  KeyContainer FContainer;  // the object's own key pair; it dies with the object
  PublicKeyCache publicKeys_;
};

}  // namespace ulka
