#include "crypto/RsaSignature.h"

#include <algorithm>

namespace ulka {
namespace {

// Fetched once: an implicit fetch on every call costs as much as a short verification.
const EVP_MD* Md5() {
  static EVP_MD* md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
  return md5;
}

}  // namespace

std::optional<Bytes> SignMd5(EVP_PKEY* key, std::span<const uint8_t> data) {
  openssl::MdContext context(EVP_MD_CTX_new());
  if (!key || !Md5() || !context || EVP_DigestSignInit(context.get(), nullptr, Md5(), nullptr, key) != 1)
    return std::nullopt;
  size_t size = 0;
  if (EVP_DigestSign(context.get(), nullptr, &size, data.data(), data.size()) != 1) return std::nullopt;
  Bytes signature(size);
  if (EVP_DigestSign(context.get(), signature.data(), &size, data.data(), data.size()) != 1) return std::nullopt;
  signature.resize(size);
  std::reverse(signature.begin(), signature.end());
  return signature;
}

bool VerifyMd5(EVP_PKEY* key, std::span<const uint8_t> data, std::span<const uint8_t> signature) {
  // Signatures are at most as long as the largest key a blob holds (16384 bits).
  uint8_t octets[2048];
  if (!key || !Md5() || signature.size() != static_cast<size_t>(EVP_PKEY_get_size(key)) ||
      signature.size() > sizeof octets)
    return false;
  std::reverse_copy(signature.begin(), signature.end(), octets);
  openssl::MdContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestVerifyInit(context.get(), nullptr, Md5(), nullptr, key) != 1) return false;
  return EVP_DigestVerify(context.get(), octets, signature.size(), data.data(), data.size()) == 1;
}

}  // namespace ulka
