// The cryptor object: a repeating-key XOR and Twofish in 8-bit cipher feedback, chosen by name.
#pragma once

#include <memory>
#include <optional>
#include <span>

#include "automation/VekObject.h"

namespace ulka {

class Twofish;

enum class CipherDirection { Encrypt, Decrypt };

// out[i] = data[i] xor key[i mod key length]; the key must not be empty unless the data is.
Bytes XorCrypt(std::span<const uint8_t> data, std::span<const uint8_t> key);

// Twofish in 8-bit cipher feedback. A key of 1 to 32 bytes is zero-padded to the next Twofish key
// size; any other key length gives nullopt. The initial vector is its first 16 bytes (a shorter
// one is zero-padded); without one it is sixteen 0xFF bytes encrypted once with the key.
std::optional<Bytes> TwofishCfb8(std::span<const uint8_t> data, std::span<const uint8_t> key,
                                 std::span<const uint8_t> initVector, CipherDirection direction);

// Twofish CFB-8 decryption of any range of a ciphertext, with TwofishCfb8's key and initial
// vector rules. Byte i depends only on the 16 ciphertext bytes before it (the initial vector stands
// in before the start), so a range is decrypted without the rest; the result is what decrypting
// everything gives for that range. Safe to use from several threads at once.
class TwofishCfb8Decryptor {
 public:
  // A key of any other length than 1 to 32 bytes throws std::invalid_argument.
  TwofishCfb8Decryptor(std::span<const uint8_t> key, std::span<const uint8_t> initVector);
  ~TwofishCfb8Decryptor();  // wipes the initial vector; the cipher wipes its key schedule
  TwofishCfb8Decryptor(const TwofishCfb8Decryptor&) = delete;
  TwofishCfb8Decryptor& operator=(const TwofishCfb8Decryptor&) = delete;

  // out = the plaintext of ciphertext[offset, offset + out.size()), which must lie inside it.
  void Decrypt(std::span<const uint8_t> ciphertext, size_t offset, std::span<uint8_t> out) const;

 private:
  std::unique_ptr<Twofish> cipher_;
  uint8_t iv_[16];
};

class TCryptor : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TCryptor() : TVekObject(Info()) {}

  Variant Encrypt(const Variant& data, const Variant& key, const Variant& initVector);
  Variant Decrypt(const Variant& data, const Variant& key, const Variant& initVector);
  WideString GetCipher();
  void SetCipher(const WideString& name);

 private:
  enum Cipher : int { kXor = 0, kTwofish = 1 };

  Variant Crypt(const Variant& data, const Variant& key, const Variant& initVector, CipherDirection direction);

  int FCipher = kXor;
};

}  // namespace ulka
