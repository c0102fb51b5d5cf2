// Twofish: the 128-bit block cipher with its key schedule for 128, 192 and 256-bit keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ulka {

class Twofish {
 public:
  static constexpr size_t kBlockSize = 16;
  static constexpr size_t kMaxKeySize = 32;

  static bool IsValidKeySize(size_t size) { return size == 16 || size == 24 || size == 32; }

  // The key must be 16, 24 or 32 bytes (std::invalid_argument otherwise).
  explicit Twofish(std::span<const uint8_t> key);
  ~Twofish();  // overwrites the whole key schedule with 0xFF bytes
  Twofish(const Twofish&) = delete;
  Twofish& operator=(const Twofish&) = delete;

  // One block; `in` and `out` may be the same.
  void EncryptBlock(const uint8_t* in, uint8_t* out) const;
  void DecryptBlock(const uint8_t* in, uint8_t* out) const;

 private:
  void ScheduleKey(std::span<const uint8_t> key);

  uint32_t subkeys_[40];
  uint32_t sboxKeys_[4];
  // The key-dependent S-boxes combined with the MDS matrix, one table per input byte position.
  uint32_t table_[4][256];
};

}  // namespace ulka
