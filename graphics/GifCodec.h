// GIF through giflib: the first picture of the file, on the file's logical screen.
#pragma once

#include <cstdint>
#include <span>

#include "graphics/VekBitmap.h"

namespace ulka {

bool IsGif(std::span<const uint8_t> data);
// The screen's pixels outside the picture are transparent; a transparent colour index keeps its
// palette colour under alpha 0, as a PNG's does. Interlaced pictures are put in order.
bool ReadGif(std::span<const uint8_t> data, TVekBitmap& bitmap);

}  // namespace ulka
