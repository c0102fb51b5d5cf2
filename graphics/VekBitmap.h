// The pixel bitmap behind the scriptable Bitmap object: 32-bit pixels 0xAARRGGBB (in memory B, G, R,
// A), not premultiplied, rows top to bottom without padding, plus the stretch filter used when the
// bitmap is drawn scaled. Not synchronised: the owner (TBitmap) serialises calls.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "automation/Rects.h"

namespace ulka {

enum TStretchFilter : uint8_t {
  sfNearest = 0,
  sfDraft = 1,
  sfLinear = 2,
  sfCosine = 3,
  sfSpline = 4,
  sfLanczos = 5,
  sfMitchell = 6,
  // Any other number: the kernel resampler with its default (box) kernel.
};

class TVekBitmap {
 public:
  // The largest bitmap made: 2^28 pixels (1 GiB), no side longer than 2^20.
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;
  static constexpr int32_t kMaxSide = 1 << 20;
  static bool SizeAllowed(int64_t width, int64_t height);

  TVekBitmap() = default;
  TVekBitmap(TVekBitmap&&) noexcept = default;
  TVekBitmap& operator=(TVekBitmap&&) noexcept = default;
  TVekBitmap(const TVekBitmap&) = delete;
  TVekBitmap& operator=(const TVekBitmap&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TRect BoundsRect() const { return {0, 0, width_, height_}; }
  uint32_t* Bits() { return pixels_.get(); }
  const uint32_t* Bits() const { return pixels_.get(); }
  uint32_t* Row(int32_t y) { return pixels_.get() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int32_t y) const { return pixels_.get() + static_cast<size_t>(y) * width_; }
  size_t PixelCount() const { return static_cast<size_t>(width_) * height_; }

  // A new size with every pixel 0 (transparent black); a side below 0 counts as 0 (a bitmap with no
  // pixels). Fails with a message for sizes past the limit or when memory runs out.
  void SetSize(int64_t width, int64_t height);
  // A new size whose pixels the caller fills completely (decoders).
  void SetSizeForOverwrite(int64_t width, int64_t height);

  uint32_t Pixel(int32_t x, int32_t y) const;  // 0 outside
  void SetPixel(int32_t x, int32_t y, uint32_t color);  // nothing outside

  // Every pixel becomes `color` exactly.
  void Fill(uint32_t color);
  // The pixels of `rect` clipped to the bitmap: an opaque colour replaces them, a transparent one
  // leaves them, any other is blended over them.
  void FillRect(const TRect& rect, uint32_t color);
  // Every pixel's alpha becomes 255.
  void MakeOpaque();

  // An exact copy of `rect`; parts outside this bitmap are 0.
  TVekBitmap Copy(const TRect& rect) const;
  void RotateLeft();
  void RotateRight();
  void FlipHorz();
  void FlipVert();

  TStretchFilter StretchFilter() const { return filter_; }
  void SetStretchFilter(uint8_t filter) { filter_ = static_cast<TStretchFilter>(filter); }

  // Draws `srcRect` of `src` into `destRect` of this bitmap, scaled with the source's stretch
  // filter and blended over it with the source alpha times `alpha` / 255. `src` may be this bitmap.
  void Draw(const TVekBitmap& src, const TRect& destRect, const TRect& srcRect, uint8_t alpha);

 private:
  struct FreeDeleter {
    void operator()(uint32_t* p) const { std::free(p); }
  };
  void Allocate(int64_t width, int64_t height, bool zeroed);

  std::unique_ptr<uint32_t[], FreeDeleter> pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  TStretchFilter filter_ = sfNearest;
};

}  // namespace ulka
