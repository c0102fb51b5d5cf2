#include "graphics/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "graphics/Blend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ulka {

std::pair<int64_t, int64_t> AxisMapping::Covered(int64_t first, int64_t end) const {
  const double scale = Scale();
  auto firstInside = [&](double edge) {
    // The first o whose centre is at or past `edge`, found by formula and then made exact.
    double guess = std::ceil((edge - static_cast<double>(srcStart)) / scale - 0.5);
    int64_t o = static_cast<int64_t>(std::clamp(guess, static_cast<double>(first), static_cast<double>(end)));
    while (o > first && Centre(o - 1) >= edge) --o;
    while (o < end && Centre(o) < edge) ++o;
    return o;
  };
  const int64_t lo = firstInside(validFirst);
  const int64_t hi = firstInside(validEnd);
  return {lo, std::max(lo, hi)};
}

namespace {

// --- kernels ---------------------------------------------------------------------------------

struct KernelShape {
  double radius;
  double (*weight)(double x);
};

double Sinc(double x) {
  if (x == 0) return 1;
  x *= std::numbers::pi;
  return std::sin(x) / x;
}

double BoxWeight(double x) { return x > -0.5 && x <= 0.5 ? 1 : 0; }
double TriangleWeight(double x) { return std::max(0.0, 1 - std::abs(x)); }
double CosineWeight(double x) { return std::abs(x) < 1 ? (std::cos(std::numbers::pi * x) + 1) / 2 : 0; }

double SplineWeight(double x) {  // the cubic B-spline
  x = std::abs(x);
  if (x < 1) return 2.0 / 3 + x * x * (x / 2 - 1);
  if (x < 2) return (2 - x) * (2 - x) * (2 - x) / 6;
  return 0;
}

double LanczosWeight(double x) { return std::abs(x) < 3 ? Sinc(x) * Sinc(x / 3) : 0; }

double MitchellWeight(double x) {  // Mitchell-Netravali, B = C = 1/3
  constexpr double B = 1.0 / 3, C = 1.0 / 3;
  x = std::abs(x);
  if (x < 1) return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6;
  if (x < 2) return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) / 6;
  return 0;
}

KernelShape ShapeOf(ResampleKernel kernel) {
  switch (kernel) {
    case ResampleKernel::Triangle: return {1, TriangleWeight};
    case ResampleKernel::Cosine: return {1, CosineWeight};
    case ResampleKernel::Spline: return {2, SplineWeight};
    case ResampleKernel::Lanczos: return {3, LanczosWeight};
    case ResampleKernel::Mitchell: return {2, MitchellWeight};
    default: return {0.5, BoxWeight};
  }
}

// --- weights -----------------------------------------------------------------------------------

// Up to this many taps the weights have 14 bits and the vectorised passes run; past it (extreme
// downscaling) 22 bits and the plain passes, so that many small weights keep their precision.
constexpr int32_t kShortTaps = 256;
constexpr int kShortPrecision = 14;
constexpr int kLongPrecision = 22;

struct AxisWeights {
  std::vector<int32_t> first;    // the first source pixel of each output
  std::vector<int32_t> count;    // its number of taps
  std::vector<int32_t> weights;  // outputs x stride, fixed point; each output's weights sum to 1
  std::vector<int32_t> pairs;    // the 14-bit weights two by two (w0 low, w1 high), outputs x pairStride
  int32_t stride = 0;
  int32_t pairStride = 0;
  int precision = kShortPrecision;

  const int32_t* Of(size_t o) const { return weights.data() + o * stride; }
  const int32_t* PairsOf(size_t o) const { return pairs.data() + o * pairStride; }
};

struct Taps {
  int64_t first = 0;
  std::vector<double> w;
};

Taps TapsFor(const AxisMapping& m, int64_t o, const KernelShape& shape) {
  const double centre = m.Centre(o);
  const double stretch = std::max(m.Scale(), 1.0);
  const double support = shape.radius * stretch;
  const int64_t lo = std::max<int64_t>(static_cast<int64_t>(std::floor(centre - support + 0.5)), m.validFirst);
  const int64_t hi = std::min<int64_t>(static_cast<int64_t>(std::floor(centre + support + 0.5)), m.validEnd);
  Taps taps{lo, {}};
  double sum = 0;
  for (int64_t x = lo; x < hi; ++x) {
    taps.w.push_back(shape.weight((static_cast<double>(x) - centre + 0.5) / stretch));
    sum += taps.w.back();
  }
  if (taps.w.empty() || sum == 0) {  // no sample under the kernel: the pixel under the centre
    taps.first = std::clamp<int64_t>(static_cast<int64_t>(std::floor(centre)), m.validFirst, m.validEnd - 1);
    taps.w.assign(1, 1.0);
    return taps;
  }
  while (taps.w.size() > 1 && taps.w.back() == 0) taps.w.pop_back();
  while (taps.w.size() > 1 && taps.w.front() == 0) {
    taps.w.erase(taps.w.begin());
    ++taps.first;
  }
  for (double& w : taps.w) w /= sum;
  return taps;
}

// Rounds to fixed point so that the weights sum to exactly one: flat areas stay exact.
void Quantise(const std::vector<double>& w, int precision, int32_t* out) {
  const int32_t one = 1 << precision;
  const int32_t limit = precision == kShortPrecision ? 32767 : (1 << 30);
  int32_t sum = 0;
  size_t largest = 0;
  for (size_t k = 0; k < w.size(); ++k) {
    out[k] = static_cast<int32_t>(std::clamp(std::lround(w[k] * one), -static_cast<long>(limit), static_cast<long>(limit)));
    sum += out[k];
    if (w[k] > w[largest]) largest = k;
  }
  out[largest] = std::clamp(out[largest] + one - sum, -limit, limit);
}

AxisWeights WeightsFor(const AxisMapping& m, int64_t first, int64_t end, ResampleKernel kernel) {
  const KernelShape shape = ShapeOf(kernel);
  std::vector<Taps> all;
  all.reserve(static_cast<size_t>(end - first));
  AxisWeights out;
  for (int64_t o = first; o < end; ++o) {
    all.push_back(TapsFor(m, o, shape));
    out.stride = std::max(out.stride, static_cast<int32_t>(all.back().w.size()));
  }
  out.precision = out.stride <= kShortTaps ? kShortPrecision : kLongPrecision;
  out.weights.assign(all.size() * out.stride, 0);
  for (size_t o = 0; o < all.size(); ++o) {
    out.first.push_back(static_cast<int32_t>(all[o].first));
    out.count.push_back(static_cast<int32_t>(all[o].w.size()));
    Quantise(all[o].w, out.precision, out.weights.data() + o * out.stride);
  }
  if (out.precision == kShortPrecision) {
    out.pairStride = (out.stride + 1) / 2;
    out.pairs.assign(all.size() * out.pairStride, 0);
    for (size_t o = 0; o < all.size(); ++o) {
      const int32_t* w = out.Of(o);
      for (int32_t k = 0; k < out.count[o]; k += 2) {
        const int32_t w1 = k + 1 < out.count[o] ? w[k + 1] : 0;
        out.pairs[o * out.pairStride + k / 2] = static_cast<int32_t>((static_cast<uint32_t>(w1) << 16) | (static_cast<uint32_t>(w[k]) & 0xFFFF));
      }
    }
  }
  return out;
}

// --- the two passes ------------------------------------------------------------------------

uint32_t PackClamped(const int64_t acc[4], int precision) {
  uint32_t pixel = 0;
  for (int c = 0; c < 4; ++c) {
    const int64_t v = std::clamp<int64_t>(acc[c] >> precision, 0, 255);
    pixel |= static_cast<uint32_t>(v) << (8 * c);
  }
  return pixel;
}

// One output row from one premultiplied source row that starts at source column `origin`.
void HorizontalPlain(const uint32_t* src, int32_t origin, const AxisWeights& wx, uint32_t* out) {
  for (size_t i = 0; i < wx.first.size(); ++i) {
    const uint32_t* p = src + (wx.first[i] - origin);
    const int32_t* w = wx.Of(i);
    int64_t acc[4] = {};
    std::fill(acc, acc + 4, int64_t{1} << (wx.precision - 1));
    for (int32_t k = 0; k < wx.count[i]; ++k)
      for (int c = 0; c < 4; ++c) acc[c] += int64_t{w[k]} * ((p[k] >> (8 * c)) & 0xFF);
    out[i] = PackClamped(acc, wx.precision);
  }
}

// One output row from the rows under the kernel (each already filtered horizontally).
void VerticalPlain(const uint32_t* const* rows, const int32_t* w, int32_t count, int precision, size_t width,
                   uint32_t* out, size_t from = 0) {
  for (size_t x = from; x < width; ++x) {
    int64_t acc[4] = {};
    std::fill(acc, acc + 4, int64_t{1} << (precision - 1));
    for (int32_t k = 0; k < count; ++k)
      for (int c = 0; c < 4; ++c) acc[c] += int64_t{w[k]} * ((rows[k][x] >> (8 * c)) & 0xFF);
    out[x] = PackClamped(acc, precision);
  }
}

#if defined(__SSE2__)

// Two taps at a time: the channels of two pixels interleaved as 16-bit values, multiplied by the
// weight pair and summed pairwise (pmaddwd) into four 32-bit channel sums.
void HorizontalSse2(const uint32_t* src, int32_t origin, const AxisWeights& wx, uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi32(1 << (kShortPrecision - 1));
  for (size_t i = 0; i < wx.first.size(); ++i) {
    const uint32_t* p = src + (wx.first[i] - origin);
    const int32_t* w = wx.PairsOf(i);
    const int32_t count = wx.count[i];
    __m128i acc = half;
    int32_t k = 0;
    for (; k + 1 < count; k += 2) {
      __m128i px = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + k)), zero);
      px = _mm_unpacklo_epi16(px, _mm_srli_si128(px, 8));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(px, _mm_set1_epi32(w[k / 2])));
    }
    if (k < count) {
      __m128i px = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p[k])), zero);
      px = _mm_unpacklo_epi16(px, zero);
      acc = _mm_add_epi32(acc, _mm_madd_epi16(px, _mm_set1_epi32(w[k / 2])));
    }
    acc = _mm_srai_epi32(acc, kShortPrecision);
    acc = _mm_packs_epi32(acc, acc);
    out[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(acc, acc)));
  }
}

// Four pixels at a time: the same bytes of two rows interleaved, multiplied by the pair of row
// weights.
void VerticalSse2(const uint32_t* const* rows, const int32_t* pairs, const int32_t* w, int32_t count, size_t width,
                  uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi32(1 << (kShortPrecision - 1));
  size_t x = 0;
  for (; x + 4 <= width; x += 4) {
    __m128i a0 = half, a1 = half, a2 = half, a3 = half;
    for (int32_t k = 0; k < count; k += 2) {
      const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
      const __m128i r1 = k + 1 < count ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x)) : zero;
      const __m128i weight = _mm_set1_epi32(pairs[k / 2]);
      const __m128i lo = _mm_unpacklo_epi8(r0, r1);
      const __m128i hi = _mm_unpackhi_epi8(r0, r1);
      a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), weight));
      a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), weight));
      a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), weight));
      a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), weight));
    }
    const __m128i p01 = _mm_packs_epi32(_mm_srai_epi32(a0, kShortPrecision), _mm_srai_epi32(a1, kShortPrecision));
    const __m128i p23 = _mm_packs_epi32(_mm_srai_epi32(a2, kShortPrecision), _mm_srai_epi32(a3, kShortPrecision));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(p01, p23));
  }
  VerticalPlain(rows, w, count, kShortPrecision, width, out, x);
}

#endif

void Horizontal(const uint32_t* src, int32_t origin, const AxisWeights& wx, uint32_t* out) {
#if defined(__SSE2__)
  if (wx.precision == kShortPrecision) return HorizontalSse2(src, origin, wx, out);
#endif
  HorizontalPlain(src, origin, wx, out);
}

void Vertical(const uint32_t* const* rows, const AxisWeights& wy, size_t o, size_t width, uint32_t* out) {
#if defined(__SSE2__)
  if (wy.precision == kShortPrecision) return VerticalSse2(rows, wy.PairsOf(o), wy.Of(o), wy.count[o], width, out);
#endif
  VerticalPlain(rows, wy.Of(o), wy.count[o], wy.precision, width, out);
}

// --- nearest neighbour ------------------------------------------------------------------------

// The pixel under the centre; a centre exactly on the border between two pixels takes the first,
// as pixman does.
int32_t NearestIndex(const AxisMapping& m, int64_t o) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(static_cast<int64_t>(std::ceil(m.Centre(o))) - 1, m.validFirst, m.validEnd - 1));
}

void NearestGather(const ResampleJob& job, uint32_t* out) {
  const size_t width = static_cast<size_t>(job.OutWidth());
  std::vector<int32_t> column(width);
  for (size_t i = 0; i < width; ++i) column[i] = NearestIndex(job.x, job.firstX + static_cast<int64_t>(i));
  for (int64_t o = job.firstY; o < job.endY; ++o, out += width) {
    const uint32_t* row = job.pixels + static_cast<size_t>(NearestIndex(job.y, o)) * job.stride;
    for (size_t i = 0; i < width; ++i) out[i] = row[column[i]];
  }
}

}  // namespace

void Resample(const ResampleJob& job, uint32_t* out) {
  if (job.OutWidth() <= 0 || job.OutHeight() <= 0) return;
  if (job.KeepsPlainColours()) return NearestGather(job, out);

  const AxisWeights wx = WeightsFor(job.x, job.firstX, job.endX, job.kernelX);
  const AxisWeights wy = WeightsFor(job.y, job.firstY, job.endY, job.kernelY);
  const size_t width = wx.first.size();

  int32_t columnsFirst = wx.first.front(), columnsEnd = columnsFirst;
  for (size_t i = 0; i < width; ++i) columnsEnd = std::max(columnsEnd, wx.first[i] + wx.count[i]);
  std::vector<uint32_t> premultiplied(static_cast<size_t>(columnsEnd - columnsFirst));

  // Rows filtered horizontally, kept in a ring as large as the vertical kernel: windows only move
  // down, so each source row is filtered once and dropped when no later output needs it.
  const size_t ring = static_cast<size_t>(wy.stride);
  std::vector<uint32_t> filtered(ring * width);
  auto slot = [&](int64_t row) { return filtered.data() + static_cast<size_t>(row) % ring * width; };
  int64_t nextRow = wy.first.front();
  std::vector<const uint32_t*> rows(ring);

  for (size_t o = 0; o < wy.first.size(); ++o, out += width) {
    const int64_t first = wy.first[o], end = first + wy.count[o];
    for (int64_t row = std::max(nextRow, first); row < end; ++row) {
      PremultiplyRow(premultiplied.data(), job.pixels + static_cast<size_t>(row) * job.stride + columnsFirst,
                     premultiplied.size());
      Horizontal(premultiplied.data(), columnsFirst, wx, slot(row));
    }
    nextRow = std::max(nextRow, end);
    for (int32_t k = 0; k < wy.count[o]; ++k) rows[k] = slot(first + k);
    Vertical(rows.data(), wy, o, width, out);
  }
}

}  // namespace ulka
