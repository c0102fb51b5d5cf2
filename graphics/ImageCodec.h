// Image files: decoding every format the desktop's image library reads into a bitmap, and PNG and
// JPEG encoding. PNG, JPEG and WebP go through libpng, libjpeg-turbo and libwebp directly (they
// decode straight into the bitmap's pixel layout, libjpeg-turbo's colour conversion is vectorised,
// and each refuses a file cut short); icons are unpacked here; the other formats (BMP, GIF, TIFF,
// animated WebP, ...) go through gdk-pixbuf's loaders.
#pragma once

#include <cstdint>
#include <span>

#include "automation/Types.h"
#include "graphics/VekBitmap.h"

namespace ulka {

// Decodes an image into `bitmap`; false (and `bitmap` unchanged) for data that is not a complete
// image of a known format, or a picture past the bitmap size limit. An EXIF orientation of 8 turns
// the picture 90 degrees anticlockwise; other orientations load as stored. Never throws.
bool DecodeImage(std::span<const uint8_t> data, TVekBitmap& bitmap);

// PNG with the alpha channel kept exactly (an opaque bitmap is written without one); empty bytes
// when encoding fails.
Bytes EncodePng(const TVekBitmap& bitmap);
// JPEG of the colour channels at `quality` 1 to 100 (0 or less means 85); empty on failure.
Bytes EncodeJpeg(const TVekBitmap& bitmap, int quality);

}  // namespace ulka
