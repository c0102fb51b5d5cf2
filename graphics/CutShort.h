// Whether an uncompressed BMP or a binary PNM file holds less pixel data than its header promises.
// The toolkit's loaders read such files up to the cut and leave the rest of the picture black;
// here a file cut short is refused, as it is for the other formats.
#pragma once

#include <cstdint>
#include <span>

namespace ulka {

bool CutShort(std::span<const uint8_t> data);

}  // namespace ulka
