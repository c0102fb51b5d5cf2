// TVekBitmap::Draw: clipping, the choice of filter, and blending the result over the bitmap.
#include <algorithm>
#include <vector>

#include "graphics/Blend.h"
#include "graphics/PixmanScale.h"
#include "graphics/Resampler.h"
#include "graphics/VekBitmap.h"

namespace ulka {
namespace {

int64_t Extent(int32_t from, int32_t to) { return static_cast<int64_t>(to) - from; }

int32_t ClampTo(int64_t value, int32_t limit) { return static_cast<int32_t>(std::clamp<int64_t>(value, 0, limit)); }

// One axis: the source rectangle's edges, the part of it inside the source bitmap, the destination
// rectangle's size.
AxisMapping MapAxis(int32_t srcFrom, int32_t srcTo, int32_t srcLimit, int32_t destFrom, int32_t destTo) {
  AxisMapping m;
  m.srcStart = srcFrom;
  m.srcSize = Extent(srcFrom, srcTo);
  m.destSize = Extent(destFrom, destTo);
  m.validFirst = ClampTo(srcFrom, srcLimit);
  m.validEnd = ClampTo(srcTo, srcLimit);
  return m;
}

// The kernels of a stretch filter for this draw. Draft averages boxes when shrinking and
// interpolates linearly when enlarging, axis by axis.
std::pair<ResampleKernel, ResampleKernel> KernelsOf(TStretchFilter filter, const AxisMapping& x, const AxisMapping& y) {
  auto same = [](ResampleKernel k) { return std::make_pair(k, k); };
  auto draft = [](const AxisMapping& m) {
    return m.srcSize > m.destSize ? ResampleKernel::Box : ResampleKernel::Triangle;
  };
  switch (filter) {
    case sfNearest: return same(ResampleKernel::Nearest);
    case sfDraft: return {draft(x), draft(y)};
    case sfLinear: return same(ResampleKernel::Triangle);
    case sfCosine: return same(ResampleKernel::Cosine);
    case sfSpline: return same(ResampleKernel::Spline);
    case sfLanczos: return same(ResampleKernel::Lanczos);
    case sfMitchell: return same(ResampleKernel::Mitchell);
    default: return same(ResampleKernel::Box);
  }
}

// Equal sizes: the source pixels themselves, blended; no resampling.
void DrawUnscaled(TVekBitmap& dest, const TVekBitmap& src, const TRect& destRect, const AxisMapping& mx,
                  const AxisMapping& my, int64_t x0, int64_t x1, int64_t y0, int64_t y1, uint8_t alpha) {
  x0 = std::max(x0, mx.validFirst - mx.srcStart);
  x1 = std::min(x1, mx.validEnd - mx.srcStart);
  y0 = std::max(y0, my.validFirst - my.srcStart);
  y1 = std::min(y1, my.validEnd - my.srcStart);
  for (int64_t y = y0; y < y1; ++y) {
    uint32_t* target = dest.Row(static_cast<int32_t>(destRect.Top + y)) + (destRect.Left + x0);
    const uint32_t* source = src.Row(static_cast<int32_t>(my.srcStart + y)) + (mx.srcStart + x0);
    BlendRow(target, source, static_cast<size_t>(x1 - x0), alpha);
  }
}

void DrawScaled(TVekBitmap& dest, const TVekBitmap& src, const TRect& destRect, const AxisMapping& mx,
                const AxisMapping& my, int64_t x0, int64_t x1, int64_t y0, int64_t y1, uint8_t alpha) {
  ResampleJob job;
  job.pixels = src.Bits();
  job.stride = src.Width();
  job.x = mx;
  job.y = my;
  std::tie(job.firstX, job.endX) = mx.Covered(x0, x1);
  std::tie(job.firstY, job.endY) = my.Covered(y0, y1);
  if (job.OutWidth() <= 0 || job.OutHeight() <= 0) return;
  std::tie(job.kernelX, job.kernelY) = KernelsOf(src.StretchFilter(), mx, my);

  const size_t width = static_cast<size_t>(job.OutWidth());
  std::vector<uint32_t> scaled(width * static_cast<size_t>(job.OutHeight()));
  if (!PixmanScale(job, scaled.data())) Resample(job, scaled.data());
  const bool plain = job.KeepsPlainColours();
  for (int64_t j = 0; j < job.OutHeight(); ++j) {
    uint32_t* target = dest.Row(static_cast<int32_t>(destRect.Top + job.firstY + j)) + (destRect.Left + job.firstX);
    const uint32_t* source = scaled.data() + static_cast<size_t>(j) * width;
    if (plain) BlendRow(target, source, width, alpha);
    else BlendPremultipliedRow(target, source, width, alpha);
  }
}

}  // namespace

void TVekBitmap::Draw(const TVekBitmap& src, const TRect& destRect, const TRect& srcRect, uint8_t alpha) {
  if (&src == this) {  // drawing onto itself reads a copy, so no pixel is read after it was written
    TVekBitmap copy = Copy(BoundsRect());
    copy.filter_ = filter_;
    return Draw(copy, destRect, srcRect, alpha);
  }
  if (alpha == 0 || Empty() || src.Empty()) return;
  if (Extent(destRect.Left, destRect.Right) <= 0 || Extent(destRect.Top, destRect.Bottom) <= 0) return;
  if (Extent(srcRect.Left, srcRect.Right) <= 0 || Extent(srcRect.Top, srcRect.Bottom) <= 0) return;

  // The destination pixels inside this bitmap, counted from the destination rectangle's corner.
  const int64_t x0 = std::max<int64_t>(0, -int64_t{destRect.Left});
  const int64_t x1 = std::min(Extent(destRect.Left, destRect.Right), int64_t{width_} - destRect.Left);
  const int64_t y0 = std::max<int64_t>(0, -int64_t{destRect.Top});
  const int64_t y1 = std::min(Extent(destRect.Top, destRect.Bottom), int64_t{height_} - destRect.Top);
  if (x0 >= x1 || y0 >= y1) return;

  const AxisMapping mx = MapAxis(srcRect.Left, srcRect.Right, src.Width(), destRect.Left, destRect.Right);
  const AxisMapping my = MapAxis(srcRect.Top, srcRect.Bottom, src.Height(), destRect.Top, destRect.Bottom);
  if (mx.validFirst >= mx.validEnd || my.validFirst >= my.validEnd) return;  // all transparent

  if (mx.srcSize == mx.destSize && my.srcSize == my.destSize)
    DrawUnscaled(*this, src, destRect, mx, my, x0, x1, y0, y1, alpha);
  else
    DrawScaled(*this, src, destRect, mx, my, x0, x1, y0, y1, alpha);
}

}  // namespace ulka
