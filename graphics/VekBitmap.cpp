#include "graphics/VekBitmap.h"

#include <algorithm>
#include <cstring>

#include <cstdio>

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "graphics/Blend.h"

namespace ulka {
namespace {

[[noreturn]] void FailSize(const char* format, int64_t width, int64_t height) {
  char text[160];
  std::snprintf(text, sizeof text, format, static_cast<long long>(width), static_cast<long long>(height));
  Fail(text);
}

}  // namespace

bool TVekBitmap::SizeAllowed(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

void TVekBitmap::Allocate(int64_t width, int64_t height, bool zeroed) {
  width = std::max<int64_t>(width, 0);
  height = std::max<int64_t>(height, 0);
  if (!SizeAllowed(width, height)) FailSize(msg::kBitmapTooLarge, width, height);
  const size_t count = static_cast<size_t>(width) * height;
  if (count == PixelCount() && pixels_) {
    if (zeroed) std::memset(pixels_.get(), 0, count * 4);
  } else {
    pixels_.reset();
    width_ = height_ = 0;
    if (count) {
      void* memory = zeroed ? std::calloc(count, 4) : std::malloc(count * 4);
      if (!memory) FailSize(msg::kBitmapOutOfMemory, width, height);
      pixels_.reset(static_cast<uint32_t*>(memory));
    }
  }
  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(height);
}

void TVekBitmap::SetSize(int64_t width, int64_t height) { Allocate(width, height, true); }

void TVekBitmap::SetSizeForOverwrite(int64_t width, int64_t height) { Allocate(width, height, false); }

uint32_t TVekBitmap::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return Row(y)[x];
}

void TVekBitmap::SetPixel(int32_t x, int32_t y, uint32_t color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Row(y)[x] = color;
}

void TVekBitmap::Fill(uint32_t color) { std::fill_n(pixels_.get(), PixelCount(), color); }

void TVekBitmap::FillRect(const TRect& rect, uint32_t color) {
  const int32_t left = std::max(rect.Left, 0), right = std::min(rect.Right, width_);
  const int32_t top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, height_);
  if (left >= right || top >= bottom) return;
  for (int32_t y = top; y < bottom; ++y) BlendColorRow(Row(y) + left, color, static_cast<size_t>(right - left));
}

void TVekBitmap::MakeOpaque() {
  uint32_t* p = pixels_.get();
  for (size_t i = 0, n = PixelCount(); i < n; ++i) p[i] |= 0xFF000000u;
}

TVekBitmap TVekBitmap::Copy(const TRect& rect) const {
  TVekBitmap copy;
  copy.filter_ = filter_;
  const int64_t width = int64_t{rect.Right} - rect.Left, height = int64_t{rect.Bottom} - rect.Top;
  if (width <= 0 || height <= 0) return copy;
  copy.SetSize(width, height);
  const int32_t left = std::max(rect.Left, 0), right = std::min(rect.Right, width_);
  const int32_t top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, height_);
  for (int32_t y = top; y < bottom && left < right; ++y)
    std::memcpy(copy.Row(y - rect.Top) + (left - rect.Left), Row(y) + left, static_cast<size_t>(right - left) * 4);
  return copy;
}

namespace {

// Moves every pixel of `from` (width x height) to `to` (height x width) at the place `target` gives.
template <class Target>
void Transpose(const uint32_t* from, int32_t width, int32_t height, uint32_t* to, Target target) {
  // In tiles, so that reads and writes both stay in the cache.
  constexpr int32_t kTile = 64;
  for (int32_t ty = 0; ty < height; ty += kTile)
    for (int32_t tx = 0; tx < width; tx += kTile)
      for (int32_t y = ty; y < std::min(ty + kTile, height); ++y)
        for (int32_t x = tx; x < std::min(tx + kTile, width); ++x) to[target(x, y)] = from[static_cast<size_t>(y) * width + x];
}

}  // namespace

void TVekBitmap::RotateRight() {
  if (Empty()) return;
  TVekBitmap turned;
  turned.SetSizeForOverwrite(height_, width_);
  const size_t newWidth = static_cast<size_t>(height_);
  const int32_t h = height_;
  // (x, y) moves to (H - 1 - y, x).
  Transpose(Bits(), width_, height_, turned.Bits(),
            [&](int32_t x, int32_t y) { return static_cast<size_t>(x) * newWidth + (h - 1 - y); });
  turned.filter_ = filter_;
  *this = std::move(turned);
}

void TVekBitmap::RotateLeft() {
  if (Empty()) return;
  TVekBitmap turned;
  turned.SetSizeForOverwrite(height_, width_);
  const size_t newWidth = static_cast<size_t>(height_);
  const int32_t w = width_;
  // (x, y) moves to (y, W - 1 - x).
  Transpose(Bits(), width_, height_, turned.Bits(),
            [&](int32_t x, int32_t y) { return static_cast<size_t>(w - 1 - x) * newWidth + y; });
  turned.filter_ = filter_;
  *this = std::move(turned);
}

void TVekBitmap::FlipHorz() {
  for (int32_t y = 0; y < height_; ++y) std::reverse(Row(y), Row(y) + width_);
}

void TVekBitmap::FlipVert() {
  for (int32_t top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(Row(top), Row(top) + width_, Row(bottom));
}

}  // namespace ulka
