#include "crypto/Twofish.h"

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "crypto/Wipe.h"

namespace ulka {
namespace {

using ByteTable = std::array<uint8_t, 256>;

// The nibble permutations t0..t3 that make up the fixed permutations q0 and q1.
constexpr uint8_t kQ0Nibbles[4][16] = {
    {0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
    {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
    {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
    {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}};
constexpr uint8_t kQ1Nibbles[4][16] = {
    {0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
    {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
    {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
    {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}};

constexpr uint8_t RotateNibbleRight(uint8_t x) { return static_cast<uint8_t>(((x >> 1) | (x << 3)) & 0xF); }

constexpr uint8_t Permute(const uint8_t (&t)[4][16], uint8_t x) {
  const uint8_t a0 = x >> 4, b0 = x & 0xF;
  const uint8_t a1 = a0 ^ b0;
  const uint8_t b1 = (a0 ^ RotateNibbleRight(b0) ^ (8 * a0)) & 0xF;
  const uint8_t a2 = t[0][a1], b2 = t[1][b1];
  const uint8_t a3 = a2 ^ b2;
  const uint8_t b3 = (a2 ^ RotateNibbleRight(b2) ^ (8 * a2)) & 0xF;
  return static_cast<uint8_t>(t[3][b3] << 4 | t[2][a3]);
}

constexpr ByteTable MakePermutation(const uint8_t (&t)[4][16]) {
  ByteTable q{};
  for (int x = 0; x < 256; ++x) q[x] = Permute(t, static_cast<uint8_t>(x));
  return q;
}

constexpr ByteTable kQ0 = MakePermutation(kQ0Nibbles);
constexpr ByteTable kQ1 = MakePermutation(kQ1Nibbles);

// Multiplication in GF(2^8) modulo the given polynomial.
constexpr uint8_t GfMultiply(uint8_t a, uint8_t b, unsigned polynomial) {
  unsigned result = 0, x = a;
  for (; b; b >>= 1) {
    if (b & 1) result ^= x;
    x <<= 1;
    if (x & 0x100) x ^= polynomial;
  }
  return static_cast<uint8_t>(result);
}

constexpr unsigned kMdsPolynomial = 0x169;
constexpr unsigned kRsPolynomial = 0x14D;

constexpr uint8_t kMds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B}, {0x5B, 0xEF, 0xEF, 0x01}, {0xEF, 0x5B, 0x01, 0xEF}, {0xEF, 0x01, 0xEF, 0x5B}};

constexpr uint8_t kRs[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                               {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                               {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                               {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

// Column j of the MDS matrix times y, for every y: the word byte j of an h input contributes.
using MdsTables = std::array<std::array<uint32_t, 256>, 4>;
constexpr MdsTables MakeMdsTables() {
  MdsTables tables{};
  for (int j = 0; j < 4; ++j)
    for (int y = 0; y < 256; ++y) {
      uint32_t word = 0;
      for (int i = 0; i < 4; ++i)
        word |= uint32_t{GfMultiply(kMds[i][j], static_cast<uint8_t>(y), kMdsPolynomial)} << (8 * i);
      tables[j][y] = word;
    }
  return tables;
}
constexpr MdsTables kMdsTables = MakeMdsTables();

// Which permutation each stage of h applies at each byte position. Rows: the stages that precede
// the xor with key word 3, 2, 1 and 0, then the final permutation.
constexpr const ByteTable* kStageQ[5][4] = {{&kQ1, &kQ0, &kQ0, &kQ1},
                                            {&kQ1, &kQ1, &kQ0, &kQ0},
                                            {&kQ0, &kQ1, &kQ0, &kQ1},
                                            {&kQ0, &kQ0, &kQ1, &kQ1},
                                            {&kQ1, &kQ0, &kQ1, &kQ0}};

constexpr uint8_t ByteOf(uint32_t word, int j) { return static_cast<uint8_t>(word >> (8 * j)); }

// The key-dependent S-box at byte position j: the q stages interleaved with the key words
// list[count - 1] .. list[0].
uint8_t KeyedSbox(int j, uint8_t x, const uint32_t* list, int count) {
  uint8_t y = x;
  for (int level = count - 1; level >= 0; --level) y = (*kStageQ[3 - level][j])[y] ^ ByteOf(list[level], j);
  return (*kStageQ[4][j])[y];
}

uint32_t H(uint32_t x, const uint32_t* list, int count) {
  uint32_t result = 0;
  for (int j = 0; j < 4; ++j) result ^= kMdsTables[j][KeyedSbox(j, ByteOf(x, j), list, count)];
  return result;
}

uint32_t LoadWord(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void StoreWord(uint32_t w, uint8_t* p) {
  p[0] = static_cast<uint8_t>(w);
  p[1] = static_cast<uint8_t>(w >> 8);
  p[2] = static_cast<uint8_t>(w >> 16);
  p[3] = static_cast<uint8_t>(w >> 24);
}

// Reed-Solomon code word of eight key bytes.
uint32_t RsWord(const uint8_t* key8) {
  uint32_t word = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t s = 0;
    for (int j = 0; j < 8; ++j) s ^= GfMultiply(kRs[i][j], key8[j], kRsPolynomial);
    word |= uint32_t{s} << (8 * i);
  }
  return word;
}

}  // namespace

Twofish::Twofish(std::span<const uint8_t> key) {
  if (!IsValidKeySize(key.size())) throw std::invalid_argument("Twofish key must be 16, 24 or 32 bytes");
  ScheduleKey(key);
}

Twofish::~Twofish() {
  WipeBytes(subkeys_, sizeof subkeys_);
  WipeBytes(sboxKeys_, sizeof sboxKeys_);
  WipeBytes(table_, sizeof table_);
}

void Twofish::ScheduleKey(std::span<const uint8_t> key) {
  const int k = static_cast<int>(key.size() / 8);
  uint32_t even[4], odd[4];
  for (int i = 0; i < k; ++i) {
    even[i] = LoadWord(&key[8 * i]);
    odd[i] = LoadWord(&key[8 * i + 4]);
    // g takes the Reed-Solomon words in reverse order.
    sboxKeys_[k - 1 - i] = RsWord(&key[8 * i]);
  }
  constexpr uint32_t rho = 0x01010101;
  for (uint32_t i = 0; i < 20; ++i) {
    const uint32_t a = H(2 * i * rho, even, k);
    const uint32_t b = std::rotl(H((2 * i + 1) * rho, odd, k), 8);
    subkeys_[2 * i] = a + b;
    subkeys_[2 * i + 1] = std::rotl(a + 2 * b, 9);
  }
  for (int j = 0; j < 4; ++j)
    for (int x = 0; x < 256; ++x) table_[j][x] = kMdsTables[j][KeyedSbox(j, static_cast<uint8_t>(x), sboxKeys_, k)];
  WipeBytes(even, sizeof even);
  WipeBytes(odd, sizeof odd);
}

void Twofish::EncryptBlock(const uint8_t* in, uint8_t* out) const {
  uint32_t w0 = LoadWord(in), w1 = LoadWord(in + 4), w2 = LoadWord(in + 8), w3 = LoadWord(in + 12);
  EncryptWords(w0, w1, w2, w3);
  StoreWord(w0, out);
  StoreWord(w1, out + 4);
  StoreWord(w2, out + 8);
  StoreWord(w3, out + 12);
}

void Twofish::DecryptBlock(const uint8_t* in, uint8_t* out) const {
  uint32_t x2 = LoadWord(in) ^ subkeys_[4];
  uint32_t x3 = LoadWord(in + 4) ^ subkeys_[5];
  uint32_t x0 = LoadWord(in + 8) ^ subkeys_[6];
  uint32_t x1 = LoadWord(in + 12) ^ subkeys_[7];
  const uint32_t* k = subkeys_ + 36;
#pragma GCC unroll 8
  for (int round = 0; round < 16; round += 2, k -= 4) {
    uint32_t t0 = G(x2);
    uint32_t t1 = GRotated(x3);
    x1 = std::rotr(x1 ^ (t0 + 2 * t1 + k[3]), 1);
    x0 = std::rotl(x0, 1) ^ (t0 + t1 + k[2]);
    t0 = G(x0);
    t1 = GRotated(x1);
    x3 = std::rotr(x3 ^ (t0 + 2 * t1 + k[1]), 1);
    x2 = std::rotl(x2, 1) ^ (t0 + t1 + k[0]);
  }
  StoreWord(x0 ^ subkeys_[0], out);
  StoreWord(x1 ^ subkeys_[1], out + 4);
  StoreWord(x2 ^ subkeys_[2], out + 8);
  StoreWord(x3 ^ subkeys_[3], out + 12);
}

}  // namespace ulka
