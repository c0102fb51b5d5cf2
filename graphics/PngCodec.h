// PNG through libpng.
#pragma once

#include <cstdint>
#include <span>

#include "automation/Types.h"
#include "graphics/VekBitmap.h"

namespace ulka {

bool IsPng(std::span<const uint8_t> data);
// Any PNG (palette, grey, 16-bit, interlaced) as 8-bit colours with alpha; the raw values, with no
// gamma or colour-profile conversion. `orientation` gets the eXIf orientation, 0 when there is none.
bool ReadPng(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation);
Bytes WritePng(const TVekBitmap& bitmap, int compressionLevel);

}  // namespace ulka
