#include "crypto/Signer.h"

#include <openssl/err.h>

#include <algorithm>

#include "automation/ByteConvert.h"
#include "automation/Unicode.h"
#include "crypto/KeyBlob.h"
#include "crypto/RsaSignature.h"

namespace ulka {
namespace {

constexpr size_t kLengthFieldSize = 4;

// No member reports an OpenSSL failure; its error queue is emptied so that nothing lingers for
// the next user of the library on this thread.
struct ErrorQueueGuard {
  ~ErrorQueueGuard() { ERR_clear_error(); }
};

Variant OptionalBytesToVar(std::optional<Bytes>&& bytes) { return bytes ? BytesToVar(std::move(*bytes)) : Variant(); }

}  // namespace

Bytes BuildSignedData(std::span<const uint8_t> data, std::span<const uint8_t> signature) {
  Bytes out;
  out.reserve(data.size() + signature.size() + kLengthFieldSize);
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), signature.begin(), signature.end());
  const auto size = static_cast<uint32_t>(signature.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(size >> (8 * i)));
  return out;
}

std::optional<SignedParts> SplitSignedData(std::span<const uint8_t> bytes) {
  if (bytes.size() < kLengthFieldSize) return std::nullopt;
  const size_t end = bytes.size() - kLengthFieldSize;
  uint32_t field = 0;
  for (int i = 0; i < 4; ++i) field |= uint32_t{bytes[end + i]} << (8 * i);
  const auto size = static_cast<int32_t>(field);
  if (size <= 0 || static_cast<size_t>(size) > end) return std::nullopt;
  const size_t dataSize = end - static_cast<size_t>(size);
  if (dataSize < 1) return std::nullopt;
  return SignedParts{bytes.first(dataSize), bytes.subspan(dataSize, static_cast<size_t>(size))};
}

std::shared_ptr<EVP_PKEY> PublicKeyCache::Find(std::span<const uint8_t> blob) {
  {
    std::lock_guard lock(mutex_);
    if (key_ && std::ranges::equal(blob, blob_)) return key_;
  }
  openssl::PKey parsed = PublicKeyFromBlob(blob);
  if (!parsed) return nullptr;
  std::shared_ptr<EVP_PKEY> key(parsed.release(), EVP_PKEY_free);
  std::lock_guard lock(mutex_);
  blob_.assign(blob.begin(), blob.end());
  key_ = key;
  return key;
}

const InterfaceInfo& TSigner::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TSigner>("ISigner", "{953F577F-C5A9-49B3-A286-9F3E0A938C96}",
                                "Dispatch interface for Signer Object")
          .Method(203, "CreateKey", &TSigner::CreateKey, {Opt("Size", int32_t{1024})})
          .Method(204, "ExportPublicKey", &TSigner::ExportPublicKey).ReturnsBytes()
          .Method(205, "ExportPrivateKey", &TSigner::ExportPrivateKey, {Arg("Password")}).ReturnsBytes()
          .Method(207, "ImportPrivateKey", &TSigner::ImportPrivateKey, {Arg("PrivateKey"), Arg("Password")})
          .Method(208, "Sign", &TSigner::Sign, {Arg("Data")}).ReturnsBytes()
          .Method(209, "VerifySign", &TSigner::VerifySign, {Arg("Data"), Arg("Sign"), Opt("PublicKey")})
          .Method(210, "SignData", &TSigner::SignData, {Arg("Data")}).ReturnsBytes()
          .Method(211, "VerifyData", &TSigner::VerifyData, {Arg("Data"), Opt("PublicKey")})
          .Method(201, "GetSignedData", &TSigner::GetSignedData, {Arg("Data"), Opt("PublicKey")}).ReturnsBytes()
          .Build();
  return info;
}

bool TSigner::CreateKey(int32_t size) {
  ErrorQueueGuard guard;
  return FContainer.CreateKey(size);
}

Variant TSigner::ExportPublicKey() {
  ErrorQueueGuard guard;
  return OptionalBytesToVar(FContainer.ExportPublicKey());
}

Variant TSigner::ExportPrivateKey(const WideString& password) {
  ErrorQueueGuard guard;
  return OptionalBytesToVar(FContainer.ExportPrivateKey(Utf8(password)));
}

bool TSigner::ImportPrivateKey(const Variant& privateKey, const WideString& password) {
  ErrorQueueGuard guard;
  return FContainer.ImportPrivateKey(VarToKey(privateKey), Utf8(password));
}

Variant TSigner::Sign(const Variant& data) {
  ErrorQueueGuard guard;
  return OptionalBytesToVar(SignBytes(VarBytesView(data)));
}

bool TSigner::VerifySign(const Variant& data, const Variant& signature, const Variant& publicKey) {
  ErrorQueueGuard guard;
  return VerifySignBytes(VarBytesView(data), VarBytesView(signature), VarToKey(publicKey));
}

Variant TSigner::SignData(const Variant& data) {
  ErrorQueueGuard guard;
  Bytes decoded;
  const std::span<const uint8_t> bytes = VarKeyView(data, decoded);
  std::optional<Bytes> signature = SignBytes(bytes);
  if (!signature) return Variant();
  return BytesToVar(BuildSignedData(bytes, *signature));
}

bool TSigner::VerifyData(const Variant& data, const Variant& publicKey) {
  ErrorQueueGuard guard;
  Bytes decoded;
  std::optional<SignedParts> parts = SplitSignedData(VarKeyView(data, decoded));
  return parts && VerifySignBytes(parts->data, parts->signature, VarToKey(publicKey));
}

Variant TSigner::GetSignedData(const Variant& data, const Variant& publicKey) {
  ErrorQueueGuard guard;
  Bytes decoded;
  std::optional<SignedParts> parts = SplitSignedData(VarKeyView(data, decoded));
  if (!parts || !VerifySignBytes(parts->data, parts->signature, VarToKey(publicKey))) return Variant();
  return BytesToVar(parts->data);
}

std::optional<Bytes> TSigner::SignBytes(std::span<const uint8_t> data) { return FContainer.Sign(data); }

bool TSigner::VerifySignBytes(std::span<const uint8_t> data, std::span<const uint8_t> signature,
                              std::span<const uint8_t> publicKey) {
  if (publicKey.empty()) return false;
  std::shared_ptr<EVP_PKEY> key = publicKeys_.Find(publicKey);
  return key && VerifyMd5(key.get(), data, signature);
}

}  // namespace ulka
