// WebP through libwebp, which refuses a file cut short (the toolkit's WebP loader shows whatever
// part arrived). Animated files go to the toolkit's loader, for their first frame.
#pragma once

#include <cstdint>
#include <span>

#include "graphics/VekBitmap.h"

namespace ulka {

bool IsStillWebp(std::span<const uint8_t> data);
// `orientation` is the EXIF orientation the file carries, 0 for none.
bool ReadWebp(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation);

}  // namespace ulka
