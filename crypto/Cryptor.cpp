#include "crypto/Cryptor.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Each output byte costs one block encryption of the chaining value, which is the last 16
// ciphertext bytes (the initial vector at first). Rather than shifting a register, the first 16
// steps read it from a window of IV followed by ciphertext, later ones straight from the
// ciphertext.
void RunCfb8(const Twofish& cipher, const uint8_t* iv, const uint8_t* in, uint8_t* out, size_t size,
             CipherDirection direction) {
  uint8_t window[2 * kBlock];
  uint8_t block[kBlock];
  std::memcpy(window, iv, kBlock);
  const bool decrypting = direction == CipherDirection::Decrypt;
  const size_t head = std::min(size, kBlock);
  for (size_t i = 0; i < head; ++i) {
    cipher.EncryptBlock(window + i, block);
    out[i] = in[i] ^ block[0];
    window[kBlock + i] = decrypting ? in[i] : out[i];
  }
  const uint8_t* ciphertext = decrypting ? in : out;
  for (size_t i = kBlock; i < size; ++i) {
    cipher.EncryptBlock(ciphertext + i - kBlock, block);
    out[i] = in[i] ^ block[0];
  }
  WipeBytes(window, sizeof window);
  WipeBytes(block, sizeof block);
}

}  // namespace

Bytes XorCrypt(std::span<const uint8_t> data, std::span<const uint8_t> key) {
  if (data.empty()) return {};
  if (key.empty()) Fail(msg::kDivisionByZero);
  Bytes out(data.size());
  for (size_t i = 0; i < data.size(); ++i) out[i] = data[i] ^ key[i % key.size()];
  return out;
}

std::optional<Bytes> TwofishCfb8(std::span<const uint8_t> data, std::span<const uint8_t> key,
                                 std::span<const uint8_t> initVector, CipherDirection direction) {
  if (key.empty() || key.size() > Twofish::kMaxKeySize) return std::nullopt;
  std::array<uint8_t, Twofish::kMaxKeySize> padded{};
  std::memcpy(padded.data(), key.data(), key.size());
  Twofish cipher(std::span<const uint8_t>(padded.data(), PaddedKeySize(key.size())));
  WipeBytes(padded.data(), padded.size());

  uint8_t iv[kBlock];
  MakeInitVector(cipher, initVector, iv);
  Bytes out(data.size());
  RunCfb8(cipher, iv, data.data(), out.data(), data.size(), direction);
  WipeBytes(iv, sizeof iv);
  return out;
}

const InterfaceInfo& TCryptor::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TCryptor>("ICryptor", "{02E66559-73F9-4CF6-B4F7-3E04D7006B78}",
                                 "Dispatch interface for Cryptor Object")
          .Method(201, "Encrypt", &TCryptor::Encrypt, {Arg("Data"), Arg("Key"), Opt("InitVector")})
          .Method(202, "Decrypt", &TCryptor::Decrypt, {Arg("Data"), Arg("Key"), Opt("InitVector")})
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
  const Bytes input = VarToKey(data);
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
