// Integer rectangles and fitting a shape's proportions into bounds.
#pragma once

#include <cstdint>

namespace ulka {

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// a * b / c in 64 bits, rounded to nearest (halves away from zero); -1 when c is 0 or the
// result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// The largest rectangle of the shape's proportions inside `bounds`, centred.
TRect FitRect(const TRect& shape, const TRect& bounds);
// The smallest rectangle of the shape's proportions that covers `bounds`, centred.
TRect CoverRect(const TRect& shape, const TRect& bounds);
// The shape at its own size, centred, when it fits inside `bounds`; otherwise FitRect.
TRect FitRectNoEnlarge(const TRect& shape, const TRect& bounds);

}  // namespace ulka
