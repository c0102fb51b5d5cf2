// Twofish: the 128-bit block cipher with its key schedule for 128, 192 and 256-bit keys.
#pragma once

#include <bit>
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

  // Encrypts a block given as four little-endian words, in place. Inline so that a stream mode
  // can keep its register in machine registers and the compiler can drop the rounds whose
  // results the mode never reads.
  void EncryptWords(uint32_t& w0, uint32_t& w1, uint32_t& w2, uint32_t& w3) const {
    uint32_t x0 = w0 ^ subkeys_[0], x1 = w1 ^ subkeys_[1], x2 = w2 ^ subkeys_[2], x3 = w3 ^ subkeys_[3];
    const uint32_t* k = subkeys_ + 8;
#pragma GCC unroll 8
    for (int round = 0; round < 16; round += 2, k += 4) {
      uint32_t t0 = G(x0), t1 = GRotated(x1);
      x2 = std::rotr(x2 ^ (t0 + t1 + k[0]), 1);
      x3 = std::rotl(x3, 1) ^ (t0 + 2 * t1 + k[1]);
      t0 = G(x2);
      t1 = GRotated(x3);
      x0 = std::rotr(x0 ^ (t0 + t1 + k[2]), 1);
      x1 = std::rotl(x1, 1) ^ (t0 + 2 * t1 + k[3]);
    }
    w0 = x2 ^ subkeys_[4];
    w1 = x3 ^ subkeys_[5];
    w2 = x0 ^ subkeys_[6];
    w3 = x1 ^ subkeys_[7];
  }

 private:
  void ScheduleKey(std::span<const uint8_t> key);

  // g: the key-dependent S-boxes and the MDS matrix as four table lookups. The two halves are
  // xored separately to keep the dependency chain short.
  uint32_t G(uint32_t x) const {
    return (table_[0][x & 0xFF] ^ table_[1][(x >> 8) & 0xFF]) ^ (table_[2][(x >> 16) & 0xFF] ^ table_[3][x >> 24]);
  }
  // g of the word rotated left by 8 bits.
  uint32_t GRotated(uint32_t x) const {
    return (table_[0][x >> 24] ^ table_[1][x & 0xFF]) ^ (table_[2][(x >> 8) & 0xFF] ^ table_[3][(x >> 16) & 0xFF]);
  }

  uint32_t subkeys_[40];
  uint32_t sboxKeys_[4];
  // The key-dependent S-boxes combined with the MDS matrix, one table per input byte position.
  uint32_t table_[4][256];
};

}  // namespace ulka
