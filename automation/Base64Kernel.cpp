// The Base64 encoder's inner loop: a 12-bit table for any CPU, and SSSE3 for those that have it
// (twelve bytes to sixteen characters per step).
#include <immintrin.h>

#include <array>
#include <cstring>

#include "automation/Encodings.h"

namespace ulka {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for every 12-bit value: a step writes two of these per 3 bytes.
template <class Char>
constexpr auto MakePairs() {
  std::array<std::array<Char, 2>, 4096> pairs{};
  for (unsigned v = 0; v < 4096; ++v) pairs[v] = {Char(kAlphabet[v >> 6]), Char(kAlphabet[v & 63])};
  return pairs;
}
constexpr auto kWidePairs = MakePairs<char16_t>();
constexpr auto kAsciiPairs = MakePairs<char>();

template <class Char>
const auto& PairsFor() {
  if constexpr (sizeof(Char) == 1)
    return kAsciiPairs;
  else
    return kWidePairs;
}

template <class Char>
void EncodeScalar(const uint8_t* in, size_t n, Char* out) {
  const auto& pairs = PairsFor<Char>();
  constexpr size_t kPairSize = sizeof(pairs[0]);
  const size_t whole = n - n % 3;
  for (size_t i = 0; i < whole; i += 3) {
    uint32_t block = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
    std::memcpy(out, pairs[block >> 12].data(), kPairSize);
    std::memcpy(out + 2, pairs[block & 0xFFF].data(), kPairSize);
    out += 4;
  }
  if (n % 3 == 0) return;
  uint32_t block = uint32_t(in[whole]) << 16;
  if (n % 3 == 2) block |= uint32_t(in[whole + 1]) << 8;
  std::memcpy(out, pairs[block >> 12].data(), kPairSize);
  out[2] = n % 3 == 2 ? Char(kAlphabet[(block >> 6) & 63]) : Char('=');
  out[3] = Char('=');
}

#if defined(__x86_64__) || defined(__i386__)
#define ULKA_BASE64_SSSE3 1

// Spreads twelve input bytes over four 32-bit lanes and cuts each lane into four sextets, one
// per byte (W. Mula's multiply-shift method).
__attribute__((target("ssse3"))) inline __m128i SplitSextets(__m128i in) {
  in = _mm_shuffle_epi8(in, _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1));
  const __m128i t0 = _mm_and_si128(in, _mm_set1_epi32(0x0FC0FC00));
  const __m128i t1 = _mm_mulhi_epu16(t0, _mm_set1_epi32(0x04000040));
  const __m128i t2 = _mm_and_si128(in, _mm_set1_epi32(0x003F03F0));
  const __m128i t3 = _mm_mullo_epi16(t2, _mm_set1_epi32(0x01000010));
  return _mm_or_si128(t1, t3);
}

// Sextets to alphabet characters: one offset per range (A-Z, a-z, 0-9, "+", "/").
__attribute__((target("ssse3"))) inline __m128i SextetsToAscii(__m128i in) {
  const __m128i offsets = _mm_setr_epi8(65, 71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 0, 0);
  __m128i indices = _mm_subs_epu8(in, _mm_set1_epi8(51));
  const __m128i aboveZ = _mm_cmpgt_epi8(in, _mm_set1_epi8(25));
  indices = _mm_sub_epi8(indices, aboveZ);
  return _mm_add_epi8(in, _mm_shuffle_epi8(offsets, indices));
}

// Encodes whole 12-byte steps while 16 bytes can be loaded; answers the bytes consumed.
template <class Char>
__attribute__((target("ssse3"))) size_t EncodeSsse3(const uint8_t* in, size_t n, Char* out) {
  size_t done = 0;
  for (; done + 16 <= n; done += 12) {
    __m128i chars = SextetsToAscii(SplitSextets(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done))));
    if constexpr (sizeof(Char) == 1) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), chars);
    } else {
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(chars, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(chars, zero));
    }
    out += 16;
  }
  return done;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

template <class Char>
void Encode(std::span<const uint8_t> bytes, Char* out) {
  size_t done = 0;
#ifdef ULKA_BASE64_SSSE3
  if (HasSsse3()) done = EncodeSsse3(bytes.data(), bytes.size(), out);
#endif
  EncodeScalar(bytes.data() + done, bytes.size() - done, out + done / 3 * 4);
}

}  // namespace

void Base64EncodeTo(std::span<const uint8_t> bytes, char16_t* out) { Encode(bytes, out); }
void Base64EncodeTo(std::span<const uint8_t> bytes, char* out) { Encode(bytes, out); }

}  // namespace ulka
