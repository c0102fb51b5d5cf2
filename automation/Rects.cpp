#include "automation/Rects.h"

#include <limits>

namespace ulka {
namespace {

struct Extent {
  int64_t w;
  int64_t h;
};

// The shape's width and height, each at least 1.
Extent ShapeExtent(const TRect& shape) {
  int64_t w = int64_t{shape.Right} - shape.Left;
  int64_t h = int64_t{shape.Bottom} - shape.Top;
  return {w > 0 ? w : 1, h > 0 ? h : 1};
}

int32_t Half(int64_t v) { return static_cast<int32_t>(v / 2); }  // truncates toward zero

int32_t Scale(int64_t a, int64_t b, int64_t c) {
  return MulDiv(static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c));
}

// A band of the bounds' full width and height `a`, centred vertically.
TRect HorizontalBand(const TRect& bounds, int32_t a) {
  int32_t top = bounds.Top + Half(int64_t{bounds.Bottom} - bounds.Top - a);
  return {bounds.Left, top, bounds.Right, top + a};
}

// A band of the bounds' full height and width `a`, centred horizontally.
TRect VerticalBand(const TRect& bounds, int32_t a) {
  int32_t left = bounds.Left + Half(int64_t{bounds.Right} - bounds.Left - a);
  return {left, bounds.Top, left + a, bounds.Bottom};
}

}  // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = int64_t{a} * b;
  int64_t quotient = product / c;
  int64_t remainder = product % c;
  // Round half away from zero: compare twice the remainder with the divisor.
  if (2 * (remainder < 0 ? -remainder : remainder) >= (c < 0 ? -int64_t{c} : int64_t{c}))
    quotient += (product < 0) != (c < 0) ? -1 : 1;
  if (quotient > std::numeric_limits<int32_t>::max() || quotient < std::numeric_limits<int32_t>::min())
    return -1;
  return static_cast<int32_t>(quotient);
}

TRect FitRect(const TRect& shape, const TRect& bounds) {
  const auto [w, h] = ShapeExtent(shape);
  const int64_t bw = int64_t{bounds.Right} - bounds.Left;
  const int64_t bh = int64_t{bounds.Bottom} - bounds.Top;
  // BH / h > BW / w, compared without division (w and h are positive).
  if (bh * w > bw * h) return HorizontalBand(bounds, Scale(h, bw, w));
  return VerticalBand(bounds, Scale(w, bh, h));
}

TRect CoverRect(const TRect& shape, const TRect& bounds) {
  const auto [w, h] = ShapeExtent(shape);
  const int64_t bw = int64_t{bounds.Right} - bounds.Left;
  const int64_t bh = int64_t{bounds.Bottom} - bounds.Top;
  if (bh * w >= bw * h) return VerticalBand(bounds, Scale(w, bh, h));
  return HorizontalBand(bounds, Scale(h, bw, w));
}

TRect FitRectNoEnlarge(const TRect& shape, const TRect& bounds) {
  const auto [w, h] = ShapeExtent(shape);
  const int64_t bw = int64_t{bounds.Right} - bounds.Left;
  const int64_t bh = int64_t{bounds.Bottom} - bounds.Top;
  if (bw < w || bh < h) return FitRect(shape, bounds);
  int32_t left = bounds.Left + Half(bw - w);
  int32_t top = bounds.Top + Half(bh - h);
  return {left, top, left + static_cast<int32_t>(w), top + static_cast<int32_t>(h)};
}

}  // namespace ulka
