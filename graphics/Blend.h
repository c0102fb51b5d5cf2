// Source-over blending onto pixels that are stored without premultiplied alpha, computed exactly
// (rounded once), and the conversions to and from premultiplied alpha that filtering needs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ulka {

// `count` source pixels over `dest`, each with its alpha times `alpha` / 255. The source holds
// plain (not premultiplied) colours.
void BlendRow(uint32_t* dest, const uint32_t* src, size_t count, uint8_t alpha);
// The same for a source with premultiplied colours (the output of filtering).
void BlendPremultipliedRow(uint32_t* dest, const uint32_t* src, size_t count, uint8_t alpha);
// One colour over `count` pixels.
void BlendColorRow(uint32_t* dest, uint32_t color, size_t count);

// Premultiplies `count` pixels from `src` into `dest` (which may be `src`).
void PremultiplyRow(uint32_t* dest, const uint32_t* src, size_t count);
// Turns premultiplied colours back into plain ones, in place.
void UnpremultiplyRow(uint32_t* pixels, size_t count);
// Whether every pixel of the row is opaque.
bool RowOpaque(const uint32_t* row, size_t count);

}  // namespace ulka
