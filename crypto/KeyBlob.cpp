#include "crypto/KeyBlob.h"

#include <openssl/core_names.h>
#include <openssl/rsa.h>

#include <array>

namespace ulka {
namespace {

constexpr uint8_t kPublicKeyBlob = 0x06;
constexpr uint8_t kPrivateKeyBlob = 0x07;
constexpr uint8_t kBlobVersion = 2;
constexpr uint32_t kCalgRsaSign = 0x00002400;
constexpr uint32_t kCalgRsaKeyExchange = 0x0000A400;
constexpr uint32_t kMagicPublic = 0x31415352;   // "RSA1"
constexpr uint32_t kMagicPrivate = 0x32415352;  // "RSA2"
constexpr uint32_t kMaxBits = 16384;
constexpr uint32_t kMinBits = 64;

// The private numbers after the modulus, in blob order, with the size of each field.
struct PrivateField {
  const char* param;
  bool half;
};
constexpr std::array<PrivateField, 6> kPrivateFields = {{{OSSL_PKEY_PARAM_RSA_FACTOR1, true},
                                                         {OSSL_PKEY_PARAM_RSA_FACTOR2, true},
                                                         {OSSL_PKEY_PARAM_RSA_EXPONENT1, true},
                                                         {OSSL_PKEY_PARAM_RSA_EXPONENT2, true},
                                                         {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, true},
                                                         {OSSL_PKEY_PARAM_RSA_D, false}}};

size_t FullSize(uint32_t bits) { return (bits + 7) / 8; }
size_t HalfSize(uint32_t bits) { return (bits + 15) / 16; }

class BlobWriter {
 public:
  void Byte(uint8_t v) { out_.push_back(v); }
  void Word(uint16_t v) {
    Byte(static_cast<uint8_t>(v));
    Byte(static_cast<uint8_t>(v >> 8));
  }
  void Dword(uint32_t v) {
    Word(static_cast<uint16_t>(v));
    Word(static_cast<uint16_t>(v >> 16));
  }
  bool Number(const BIGNUM* n, size_t size) {
    const size_t at = out_.size();
    out_.resize(at + size);
    return BN_bn2lebinpad(n, out_.data() + at, static_cast<int>(size)) == static_cast<int>(size);
  }
  Bytes Take() { return std::move(out_); }

 private:
  Bytes out_;
};

class BlobReader {
 public:
  explicit BlobReader(std::span<const uint8_t> blob) : blob_(blob) {}
  bool Has(size_t size) const { return blob_.size() - pos_ >= size; }
  uint8_t Byte() { return blob_[pos_++]; }
  uint16_t Word() {
    const uint16_t lo = Byte();
    return static_cast<uint16_t>(lo | Byte() << 8);
  }
  uint32_t Dword() {
    const uint32_t lo = Word();
    return lo | uint32_t{Word()} << 16;
  }
  openssl::BigNum Number(size_t size) {
    openssl::BigNum n(BN_lebin2bn(blob_.data() + pos_, static_cast<int>(size), nullptr));
    pos_ += size;
    return n;
  }

 private:
  std::span<const uint8_t> blob_;
  size_t pos_ = 0;
};

openssl::BigNum GetNumber(EVP_PKEY* key, const char* param) {
  BIGNUM* n = nullptr;
  if (EVP_PKEY_get_bn_param(key, param, &n) != 1) return nullptr;
  return openssl::BigNum(n);
}

// Writes the headers and the modulus; false when the key is no RSA key the layout can hold.
bool WritePublicPart(BlobWriter& w, EVP_PKEY* key, uint8_t type, uint32_t magic) {
  if (!key || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) return false;
  openssl::BigNum n = GetNumber(key, OSSL_PKEY_PARAM_RSA_N);
  openssl::BigNum e = GetNumber(key, OSSL_PKEY_PARAM_RSA_E);
  if (!n || !e || BN_num_bits(e.get()) > 32) return false;
  const auto bits = static_cast<uint32_t>(BN_num_bits(n.get()));
  if (bits > kMaxBits) return false;
  w.Byte(type);
  w.Byte(kBlobVersion);
  w.Word(0);
  w.Dword(kCalgRsaSign);
  w.Dword(magic);
  w.Dword(bits);
  w.Dword(static_cast<uint32_t>(BN_get_word(e.get())));
  return w.Number(n.get(), FullSize(bits));
}

struct ParsedHeader {
  uint8_t type = 0;
  uint32_t bits = 0;
  uint32_t exponent = 0;
};

// Reads BLOBHEADER and RSAPUBKEY of the given blob type (0: either) and checks that the blob
// is long enough for its numbers.
bool ReadHeaders(BlobReader& r, uint8_t wantedType, ParsedHeader& header) {
  if (!r.Has(kBlobHeaderSize + 12)) return false;
  header.type = r.Byte();
  const uint8_t version = r.Byte();
  r.Word();
  const uint32_t algorithm = r.Dword();
  const uint32_t magic = r.Dword();
  header.bits = r.Dword();
  header.exponent = r.Dword();
  if (wantedType ? header.type != wantedType : header.type != kPublicKeyBlob && header.type != kPrivateKeyBlob)
    return false;
  if (version != kBlobVersion) return false;
  if (algorithm != kCalgRsaSign && algorithm != kCalgRsaKeyExchange) return false;
  if (magic != (header.type == kPrivateKeyBlob ? kMagicPrivate : kMagicPublic)) return false;
  if (header.bits < kMinBits || header.bits > kMaxBits) return false;
  if (header.exponent < 3 || header.exponent % 2 == 0) return false;
  size_t needed = FullSize(header.bits);
  if (header.type == kPrivateKeyBlob) needed += 5 * HalfSize(header.bits) + FullSize(header.bits);
  return r.Has(needed);
}

openssl::PKey KeyFromParams(OSSL_PARAM_BLD* builder, int selection) {
  openssl::Params params(OSSL_PARAM_BLD_to_param(builder));
  openssl::PKeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1) return nullptr;
  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_fromdata(context.get(), &key, selection, params.get()) != 1) return nullptr;
  return openssl::PKey(key);
}

bool IsConsistentKeyPair(EVP_PKEY* key) {
  openssl::PKeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  return context && EVP_PKEY_pairwise_check(context.get()) == 1;
}

}  // namespace

Bytes PublicKeyBlob(EVP_PKEY* key) {
  BlobWriter w;
  return WritePublicPart(w, key, kPublicKeyBlob, kMagicPublic) ? w.Take() : Bytes();
}

Bytes PrivateKeyBlob(EVP_PKEY* key) {
  BlobWriter w;
  if (!WritePublicPart(w, key, kPrivateKeyBlob, kMagicPrivate)) return {};
  const auto bits = static_cast<uint32_t>(EVP_PKEY_get_bits(key));
  for (const PrivateField& field : kPrivateFields) {
    openssl::BigNum n = GetNumber(key, field.param);
    if (!n || !w.Number(n.get(), field.half ? HalfSize(bits) : FullSize(bits))) return {};
  }
  return w.Take();
}

openssl::PKey PublicKeyFromBlob(std::span<const uint8_t> blob) {
  BlobReader r(blob);
  ParsedHeader header;
  if (!ReadHeaders(r, 0, header)) return nullptr;
  openssl::BigNum n = r.Number(FullSize(header.bits));
  openssl::BigNum e(BN_new());
  if (!n || !e || !BN_set_word(e.get(), header.exponent)) return nullptr;
  if (!BN_is_odd(n.get()) || BN_num_bits(n.get()) < static_cast<int>(kMinBits)) return nullptr;
  openssl::ParamBuilder builder(OSSL_PARAM_BLD_new());
  if (!builder || !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) ||
      !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, e.get()))
    return nullptr;
  return KeyFromParams(builder.get(), EVP_PKEY_PUBLIC_KEY);
}

openssl::PKey PrivateKeyFromBlob(std::span<const uint8_t> blob) {
  BlobReader r(blob);
  ParsedHeader header;
  if (!ReadHeaders(r, kPrivateKeyBlob, header)) return nullptr;
  openssl::BigNum n = r.Number(FullSize(header.bits));
  openssl::BigNum e(BN_new());
  if (!n || !e || !BN_set_word(e.get(), header.exponent)) return nullptr;
  openssl::ParamBuilder builder(OSSL_PARAM_BLD_new());
  if (!builder || !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) ||
      !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, e.get()))
    return nullptr;
  // The builder refers to the numbers until the parameters are made, so they are kept here.
  std::array<openssl::BigNum, kPrivateFields.size()> numbers;
  for (size_t i = 0; i < kPrivateFields.size(); ++i) {
    numbers[i] = r.Number(kPrivateFields[i].half ? HalfSize(header.bits) : FullSize(header.bits));
    if (!numbers[i] || !OSSL_PARAM_BLD_push_BN(builder.get(), kPrivateFields[i].param, numbers[i].get()))
      return nullptr;
  }
  openssl::PKey key = KeyFromParams(builder.get(), EVP_PKEY_KEYPAIR);
  if (!key || !IsConsistentKeyPair(key.get())) return nullptr;
  return key;
}

}  // namespace ulka
