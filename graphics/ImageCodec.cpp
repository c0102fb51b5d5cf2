#include "graphics/ImageCodec.h"

#include <algorithm>
#include <new>

#include "automation/VekError.h"
#include "graphics/CutShort.h"
#include "graphics/Exif.h"
#include "graphics/GifCodec.h"
#include "graphics/IcoCodec.h"
#include "graphics/JpegCodec.h"
#include "graphics/PixbufCodec.h"
#include "graphics/PngCodec.h"
#include "graphics/WebpCodec.h"

namespace ulka {
namespace {

// The EXIF value for "the picture's top is on its left side": shown turned 90 degrees anticlockwise.
// Every other orientation loads as stored, whatever the format.
constexpr int kOrientationLeftBottom = 8;

// zlib level 4 (lazy matching, shorter chains): within a few per cent of the size level 6 gives
// (smaller on photographs), in less than half the time.
constexpr int kPngCompressionLevel = 4;
constexpr int kDefaultJpegQuality = 85;

// The desktop's TIFF loader turns the picture upright by its orientation tag, as far as flipping
// goes (libtiff's RGBA reading): those flips are undone, so that a TIFF file, like every other
// format, loads as stored but for the one orientation that is turned.
void UndoTiffFlips(TVekBitmap& bitmap, int orientation) {
  const bool horizontal = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
  const bool vertical = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
  if (horizontal) bitmap.FlipHorz();
  if (vertical) bitmap.FlipVert();
}

bool DecodeByFormat(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation) {
  if (IsPng(data)) return ReadPng(data, bitmap, orientation);
  if (IsJpeg(data)) return ReadJpeg(data, bitmap, orientation);
  if (IsIco(data)) return ReadIco(data, bitmap);
  if (IsStillWebp(data)) return ReadWebp(data, bitmap, orientation);
  if (IsGif(data)) return ReadGif(data, bitmap);
  if (CutShort(data) || !ReadWithPixbuf(data, bitmap, orientation)) return false;
  if (IsTiff(data)) {
    orientation = ExifOrientation(data);
    UndoTiffFlips(bitmap, orientation);
  }
  return true;
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
