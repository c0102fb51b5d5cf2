// RC4, the stream cipher CryptoAPI's base provider derives password keys for.
#pragma once

#include <cstdint>
#include <span>

namespace ulka {

class Rc4 {
 public:
  explicit Rc4(std::span<const uint8_t> key);  // 1 to 256 bytes
  ~Rc4();
  Rc4(const Rc4&) = delete;
  Rc4& operator=(const Rc4&) = delete;

  // XORs the key stream into the bytes, continuing where the last call stopped.
  void Apply(std::span<uint8_t> data);

 private:
  uint8_t state_[256];
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

}  // namespace ulka
