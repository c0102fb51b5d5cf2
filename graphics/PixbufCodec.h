// Every other image format, through gdk-pixbuf's loaders (BMP, GIF, TIFF, ICO, WebP, ...).
#pragma once

#include <cstdint>
#include <span>

#include "graphics/VekBitmap.h"

namespace ulka {

// The first frame of any image a gdk-pixbuf loader reads. A picture past the bitmap size limit is
// refused as soon as its header is read, before the loader makes room for it. `orientation` gets
// the orientation the loader reports (TIFF), 0 when none.
bool ReadWithPixbuf(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation);

}  // namespace ulka
