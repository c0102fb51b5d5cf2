// Nearest-neighbour and bilinear scaling through pixman, which has fast vectorised paths for both.
#pragma once

#include <cstdint>

#include "graphics/Resampler.h"

namespace ulka {

// Does `job` with pixman when it can: nearest neighbour (plain colours out), or the triangle
// kernel on both axes while enlarging (bilinear interpolation, premultiplied colours out), and the
// geometry fits pixman's 16.16 fixed-point coordinates. Answers false, having written nothing,
// otherwise.
bool PixmanScale(const ResampleJob& job, uint32_t* out);

}  // namespace ulka
