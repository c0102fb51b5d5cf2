// The cryptor object: a repeating-key XOR and Twofish in 8-bit cipher feedback, chosen by name.
#pragma once

#include <optional>
#include <span>

#include "automation/VekObject.h"

namespace ulka {

enum class CipherDirection { Encrypt, Decrypt };

// out[i] = data[i] xor key[i mod key length]; the key must not be empty unless the data is.
Bytes XorCrypt(std::span<const uint8_t> data, std::span<const uint8_t> key);

// Twofish in 8-bit cipher feedback. A key of 1 to 32 bytes is zero-padded to the next Twofish key
// size; any other key length gives nullopt. The initial vector is its first 16 bytes (a shorter
// one is zero-padded); without one it is sixteen 0xFF bytes encrypted once with the key.
std::optional<Bytes> TwofishCfb8(std::span<const uint8_t> data, std::span<const uint8_t> key,
                                 std::span<const uint8_t> initVector, CipherDirection direction);

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
