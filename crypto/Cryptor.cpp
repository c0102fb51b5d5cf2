#include "crypto/Cryptor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "automation/ByteConvert.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "crypto/Twofish.h"
#include "crypto/Wipe.h"

namespace ulka {
namespace {

constexpr size_t kBlock = Twofish::kBlockSize;

// Zero-pads a key of 1 to 32 bytes to the next Twofish key size.
size_t PaddedKeySize(size_t size) { return size <= 16 ? 16 : size <= 24 ? 24 : 32; }

void MakeInitVector(const Twofish& cipher, std::span<const uint8_t> given, uint8_t* iv) {
  if (given.empty()) {
    std::memset(iv, 0xFF, kBlock);
    cipher.EncryptBlock(iv, iv);
    return;
  }
  std::memset(iv, 0, kBlock);
  std::memcpy(iv, given.data(), std::min(given.size(), kBlock));
}

uint32_t LoadWord(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Each output byte costs one block encryption of the chaining value CV, of which it uses byte 0;
// CV then moves one byte down and takes the ciphertext byte at its top. CV lives in four
// little-endian words, so the shift is a few register operations and the next encryption can
// start on the words that do not wait for the new byte.
template <CipherDirection direction>
void RunCfb8(const Twofish& cipher, const uint8_t* iv, const uint8_t* in, uint8_t* out, size_t size) {
  uint32_t cv[4] = {LoadWord(iv), LoadWord(iv + 4), LoadWord(iv + 8), LoadWord(iv + 12)};
  for (size_t i = 0; i < size; ++i) {
    uint32_t s0 = cv[0], s1 = cv[1], s2 = cv[2], s3 = cv[3];
    cipher.EncryptWords(s0, s1, s2, s3);
    const uint8_t output = in[i] ^ static_cast<uint8_t>(s0);
    out[i] = output;
    const uint8_t ciphertext = direction == CipherDirection::Encrypt ? output : in[i];
    cv[0] = cv[0] >> 8 | cv[1] << 24;
    cv[1] = cv[1] >> 8 | cv[2] << 24;
    cv[2] = cv[2] >> 8 | cv[3] << 24;
    cv[3] = cv[3] >> 8 | uint32_t{ciphertext} << 24;
  }
  WipeBytes(cv, sizeof cv);
}

}  // namespace

Bytes XorCrypt(std::span<const uint8_t> data, std::span<const uint8_t> key) {
  if (data.empty()) return {};
  if (key.empty()) Fail(msg::kDivisionByZero);
  Bytes out(data.size());
  for (size_t i = 0; i < data.size(); ++i) out[i] = data[i] ^ key[i % key.size()];
  return out;
}

namespace {

// The cipher for a key of 1 to 32 bytes, zero-padded to the next Twofish key size.
std::unique_ptr<Twofish> MakeCipher(std::span<const uint8_t> key) {
  std::array<uint8_t, Twofish::kMaxKeySize> padded{};
  std::memcpy(padded.data(), key.data(), key.size());
  auto cipher = std::make_unique<Twofish>(std::span<const uint8_t>(padded.data(), PaddedKeySize(key.size())));
  WipeBytes(padded.data(), padded.size());
  return cipher;
}

}  // namespace

std::optional<Bytes> TwofishCfb8(std::span<const uint8_t> data, std::span<const uint8_t> key,
                                 std::span<const uint8_t> initVector, CipherDirection direction) {
  if (key.empty() || key.size() > Twofish::kMaxKeySize) return std::nullopt;
  std::unique_ptr<Twofish> cipher = MakeCipher(key);
  uint8_t iv[kBlock];
  MakeInitVector(*cipher, initVector, iv);
  Bytes out(data.size());
  if (direction == CipherDirection::Encrypt)
    RunCfb8<CipherDirection::Encrypt>(*cipher, iv, data.data(), out.data(), data.size());
  else
    RunCfb8<CipherDirection::Decrypt>(*cipher, iv, data.data(), out.data(), data.size());
  WipeBytes(iv, sizeof iv);
  return out;
}

TwofishCfb8Decryptor::TwofishCfb8Decryptor(std::span<const uint8_t> key, std::span<const uint8_t> initVector) {
  if (key.empty() || key.size() > Twofish::kMaxKeySize) throw std::invalid_argument("bad Twofish key size");
  cipher_ = MakeCipher(key);
  MakeInitVector(*cipher_, initVector, iv_);
}

TwofishCfb8Decryptor::~TwofishCfb8Decryptor() { WipeBytes(iv_, sizeof iv_); }

void TwofishCfb8Decryptor::Decrypt(std::span<const uint8_t> ciphertext, size_t offset, std::span<uint8_t> out) const {
  if (offset > ciphertext.size() || out.size() > ciphertext.size() - offset) {
    throw std::out_of_range("range outside the ciphertext");
  }
  if (out.empty()) return;
  // The feedback register before byte `offset`: the 16 ciphertext bytes before it, the initial
  // vector's last bytes filling in ahead of the start.
  uint8_t feedback[kBlock];
  const size_t fromIv = offset < kBlock ? kBlock - offset : 0;
  std::memcpy(feedback, iv_ + kBlock - fromIv, fromIv);
  std::memcpy(feedback + fromIv, ciphertext.data() + offset - (kBlock - fromIv), kBlock - fromIv);
  RunCfb8<CipherDirection::Decrypt>(*cipher_, feedback, ciphertext.data() + offset, out.data(), out.size());
  WipeBytes(feedback, sizeof feedback);
}

const InterfaceInfo& TCryptor::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TCryptor>("ICryptor", "{02E66559-73F9-4CF6-B4F7-3E04D7006B78}",
                                 "Dispatch interface for Cryptor Object")
          .Method(201, "Encrypt", &TCryptor::Encrypt, {Arg("Data"), Arg("Key"), Opt("InitVector")}).ReturnsBytes()
          .Method(202, "Decrypt", &TCryptor::Decrypt, {Arg("Data"), Arg("Key"), Opt("InitVector")}).ReturnsBytes()
          .Property(203, "Cipher", &TCryptor::GetCipher, &TCryptor::SetCipher)
          .Build();
  return info;
}

Variant TCryptor::Encrypt(const Variant& data, const Variant& key, const Variant& initVector) {
  return Crypt(data, key, initVector, CipherDirection::Encrypt);
}

Variant TCryptor::Decrypt(const Variant& data, const Variant& key, const Variant& initVector) {
  return Crypt(data, key, initVector, CipherDirection::Decrypt);
}

WideString TCryptor::GetCipher() { return FCipher == kTwofish ? u"twofish" : u"xor"; }

void TCryptor::SetCipher(const WideString& name) {
  if (SameText(name, u"xor")) FCipher = kXor;
  else if (SameText(name, u"twofish")) FCipher = kTwofish;
}

Variant TCryptor::Crypt(const Variant& data, const Variant& key, const Variant& initVector,
                        CipherDirection direction) {
  Bytes decoded;
  const std::span<const uint8_t> input = VarKeyView(data, decoded);
  if (FCipher == kXor) return BytesToVar(XorCrypt(input, VarToKey(key)));

  // A failing Twofish call answers Empty and raises nothing.
  try {
    Bytes keyBytes = VarToKey(key);
    std::optional<Bytes> output = TwofishCfb8(input, keyBytes, VarToKey(initVector), direction);
    WipeBytes(keyBytes.data(), keyBytes.size());
    return output ? BytesToVar(std::move(*output)) : Variant();
  } catch (const std::exception&) {
    return Variant();
  }
}

}  // namespace ulka
