// Icon and cursor files. The toolkit's icon loader cannot read the PNG-compressed entries that
// large modern icons use, so the container is read here: the largest, deepest entry is decoded,
// with libpng when it is PNG and the toolkit's loader when it is a bitmap.
#pragma once

#include <cstdint>
#include <span>

#include "graphics/VekBitmap.h"

namespace ulka {

bool IsIco(std::span<const uint8_t> data);
bool ReadIco(std::span<const uint8_t> data, TVekBitmap& bitmap);

}  // namespace ulka
