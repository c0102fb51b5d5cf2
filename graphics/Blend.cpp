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

// Source over destination with the source given as colour times effective alpha for each channel
// (0 .. 255 * 255) and the effective alpha `fa` (1 .. 255). In real terms, with alphas in 0..1:
// out_a = a_s + a_d (1 - a_s), out_c = (c_s a_s + c_d a_d (1 - a_s)) / out_a; both scaled by 255^2.
uint32_t Over(uint32_t dest, uint32_t fa, uint32_t sr, uint32_t sg, uint32_t sb) {
  const uint32_t da = dest >> 24;
  if (da == 0) {
    auto colour = [fa](uint32_t s) { return std::min<uint32_t>((s + fa / 2) / fa, 255); };
    return Pack(fa, colour(sr), colour(sg), colour(sb));
  }
  const uint32_t k = da * (255 - fa);
  const uint32_t den = fa * 255 + k;
  auto colour = [&](uint32_t s, int shift) {
    return std::min<uint32_t>((s * 255 + Channel(dest, shift) * k + den / 2) / den, 255);
  };
  if (da == 255) {  // the common case: the divisor is the constant 255^2
    auto opaque = [&](uint32_t s, int shift) {
      return std::min<uint32_t>((s * 255 + Channel(dest, shift) * k + 65025 / 2) / 65025, 255);
    };
    return Pack(255, opaque(sr, 16), opaque(sg, 8), opaque(sb, 0));
  }
  return Pack(Div255(den), colour(sr, 16), colour(sg, 8), colour(sb, 0));
}

}  // namespace

void BlendRow(uint32_t* dest, const uint32_t* src, size_t count, uint8_t alpha) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t s = src[i];
    const uint32_t fa = alpha == 255 ? s >> 24 : Div255((s >> 24) * alpha);
    if (fa == 0) continue;
    if (fa == 255) {
      dest[i] = s | kOpaque;
      continue;
    }
    dest[i] = Over(dest[i], fa, Channel(s, 16) * fa, Channel(s, 8) * fa, Channel(s, 0) * fa);
  }
}

void BlendPremultipliedRow(uint32_t* dest, const uint32_t* src, size_t count, uint8_t alpha) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t s = src[i];
    const uint32_t fa = alpha == 255 ? s >> 24 : Div255((s >> 24) * alpha);
    if (fa == 0) continue;
    if (fa == 255) {
      dest[i] = s;  // opaque: premultiplied and plain colours are the same
      continue;
    }
    dest[i] = Over(dest[i], fa, Channel(s, 16) * alpha, Channel(s, 8) * alpha, Channel(s, 0) * alpha);
  }
}

void BlendColorRow(uint32_t* dest, uint32_t color, size_t count) {
  const uint32_t fa = color >> 24;
  if (fa == 0) return;
  if (fa == 255) {
    std::fill(dest, dest + count, color);
    return;
  }
  const uint32_t sr = Channel(color, 16) * fa, sg = Channel(color, 8) * fa, sb = Channel(color, 0) * fa;
  for (size_t i = 0; i < count; ++i) dest[i] = Over(dest[i], fa, sr, sg, sb);
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
