#include "graphics/Blend.h"

#include <algorithm>

namespace ulka {
namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// Rounded v / 255 for v up to 65535.
uint32_t Div255(uint32_t v) {
  v += 128;
  return (v + (v >> 8)) >> 8;
}

uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// Source over destination. The source's effective alpha `fa2` is its alpha times the draw's alpha
// (0 .. 255^2, kept unrounded), and each source channel is given as colour times `fa2`. In real
// terms, with alphas in 0..1: out_a = a_s + a_d (1 - a_s), out_c = (c_s a_s + c_d a_d (1 - a_s)) / out_a;
// numerator and denominator below are both scaled by 255^3.
constexpr uint64_t kFull = 255 * 255;

uint32_t Over(uint32_t dest, uint64_t fa2, uint64_t sr, uint64_t sg, uint64_t sb) {
  const uint64_t da = dest >> 24;
  if (da == 0) {
    auto colour = [fa2](uint64_t s) { return static_cast<uint32_t>(std::min<uint64_t>((s + fa2 / 2) / fa2, 255)); };
    return Pack(static_cast<uint32_t>((fa2 + 127) / 255), colour(sr), colour(sg), colour(sb));
  }
  const uint64_t k = da * (kFull - fa2);
  if (da == 255) {
    // The common case: out_a is 1, and out_c = (c_s fa2 + c_d (255^2 - fa2)) / 255^2 fits 32 bits,
    // with a constant divisor that compiles to a multiply.
    const uint32_t rest = static_cast<uint32_t>(kFull - fa2);
    auto opaque = [&](uint64_t s, int shift) {
      return std::min<uint32_t>((static_cast<uint32_t>(s) + Channel(dest, shift) * rest + 65025 / 2) / 65025, 255);
    };
    return Pack(255, opaque(sr, 16), opaque(sg, 8), opaque(sb, 0));
  }
  const uint64_t den = fa2 * 255 + k;
  auto colour = [&](uint64_t s, int shift) {
    return static_cast<uint32_t>(std::min<uint64_t>((s * 255 + Channel(dest, shift) * k + den / 2) / den, 255));
  };
  return Pack(static_cast<uint32_t>((den + kFull / 2) / kFull), colour(sr, 16), colour(sg, 8), colour(sb, 0));
}

}  // namespace

void BlendRow(uint32_t* dest, const uint32_t* src, size_t count, uint8_t alpha) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t s = src[i];
    const uint64_t fa2 = uint64_t{s >> 24} * alpha;
    if (fa2 == 0) continue;
    if (fa2 == kFull) {
      dest[i] = s;
      continue;
    }
    dest[i] = Over(dest[i], fa2, Channel(s, 16) * fa2, Channel(s, 8) * fa2, Channel(s, 0) * fa2);
  }
}

void BlendPremultipliedRow(uint32_t* dest, const uint32_t* src, size_t count, uint8_t alpha) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t s = src[i];
    const uint64_t fa2 = uint64_t{s >> 24} * alpha;
    if (fa2 == 0) continue;
    if (fa2 == kFull) {
      dest[i] = s;  // opaque: premultiplied and plain colours are the same
      continue;
    }
    // A premultiplied channel p is colour times alpha / 255, so colour times fa2 is p * 255 * alpha.
    const uint64_t scale = uint64_t{255} * alpha;
    dest[i] = Over(dest[i], fa2, Channel(s, 16) * scale, Channel(s, 8) * scale, Channel(s, 0) * scale);
  }
}

void BlendColorRow(uint32_t* dest, uint32_t color, size_t count) {
  const uint64_t fa2 = uint64_t{color >> 24} * 255;
  if (fa2 == 0) return;
  if (fa2 == kFull) {
    std::fill(dest, dest + count, color);
    return;
  }
  const uint64_t sr = Channel(color, 16) * fa2, sg = Channel(color, 8) * fa2, sb = Channel(color, 0) * fa2;
  for (size_t i = 0; i < count; ++i) dest[i] = Over(dest[i], fa2, sr, sg, sb);
}

void PremultiplyRow(uint32_t* dest, const uint32_t* src, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t s = src[i];
    const uint32_t a = s >> 24;
    if (a == 255) {
      dest[i] = s;
    } else if (a == 0) {
      dest[i] = 0;
    } else {
      dest[i] = Pack(a, Div255(Channel(s, 16) * a), Div255(Channel(s, 8) * a), Div255(Channel(s, 0) * a));
    }
  }
}

void UnpremultiplyRow(uint32_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = pixels[i];
    const uint32_t a = p >> 24;
    if (a == 255 || a == 0) continue;
    auto plain = [a](uint32_t c) { return std::min<uint32_t>((c * 255 + a / 2) / a, 255); };
    pixels[i] = Pack(a, plain(Channel(p, 16)), plain(Channel(p, 8)), plain(Channel(p, 0)));
  }
}

bool RowOpaque(const uint32_t* row, size_t count) {
  uint32_t all = kOpaque;
  for (size_t i = 0; i < count; ++i) all &= row[i];
  return (all & kOpaque) == kOpaque;
}

}  // namespace ulka
