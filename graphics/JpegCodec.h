// JPEG through libjpeg-turbo.
#pragma once

#include <cstdint>
#include <span>

#include "automation/Types.h"
#include "graphics/VekBitmap.h"

namespace ulka {

bool IsJpeg(std::span<const uint8_t> data);
// Baseline, progressive, greyscale, YCbCr, CMYK and YCCK JPEGs; a file cut short is refused.
// `orientation` gets the EXIF orientation, 0 when there is none.
bool ReadJpeg(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation);
// `quality` 1 to 100.
Bytes WriteJpeg(const TVekBitmap& bitmap, int quality);

}  // namespace ulka
