#include "graphics/ImageCodec.h"

#include <algorithm>
#include <new>

#include "automation/VekError.h"
#include "graphics/CutShort.h"
#include "graphics/IcoCodec.h"
#include "graphics/JpegCodec.h"
#include "graphics/PixbufCodec.h"
#include "graphics/PngCodec.h"
#include "graphics/WebpCodec.h"

namespace ulka {
namespace {

// The EXIF value for "the picture's top is on its left side": shown turned 90 degrees anticlockwise.
constexpr int kOrientationLeftBottom = 8;

// zlib level 4 (lazy matching, shorter chains): within a few per cent of the size level 6 gives
// (smaller on photographs), in less than half the time.
constexpr int kPngCompressionLevel = 4;
constexpr int kDefaultJpegQuality = 85;

bool DecodeByFormat(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation) {
  if (IsPng(data)) return ReadPng(data, bitmap, orientation);
  if (IsJpeg(data)) return ReadJpeg(data, bitmap, orientation);
  if (IsIco(data)) return ReadIco(data, bitmap);
  if (IsStillWebp(data)) return ReadWebp(data, bitmap);
  return !CutShort(data) && ReadWithPixbuf(data, bitmap, orientation);
}

}  // namespace

bool DecodeImage(std::span<const uint8_t> data, TVekBitmap& bitmap) {
  if (data.empty()) return false;
  try {
    TVekBitmap decoded;
    int orientation = 0;
    if (!DecodeByFormat(data, decoded, orientation)) return false;
    if (orientation == kOrientationLeftBottom) decoded.RotateLeft();
    decoded.SetStretchFilter(bitmap.StretchFilter());
    bitmap = std::move(decoded);
    return true;
  } catch (const EVekError&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

Bytes EncodePng(const TVekBitmap& bitmap) {
  try {
    return WritePng(bitmap, kPngCompressionLevel);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

Bytes EncodeJpeg(const TVekBitmap& bitmap, int quality) {
  if (quality <= 0) quality = kDefaultJpegQuality;
  try {
    return WriteJpeg(bitmap, std::min(quality, 100));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace ulka
