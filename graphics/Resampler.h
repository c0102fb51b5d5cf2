// Scaling part of a bitmap with a filter kernel, separably (rows first, then columns) in 14-bit
// fixed point, the way the common image libraries do it: downscaling widens the kernel by the
// scale factor, so every source pixel counts (no aliasing).
#pragma once

#include <cstdint>
#include <utility>

namespace ulka {

enum class ResampleKernel : uint8_t { Nearest, Box, Triangle, Cosine, Spline, Lanczos, Mitchell };

// How one axis of a scaled draw maps destination pixels to source pixels: destination pixel o
// (counted from the destination rectangle's edge) has its centre at source coordinate
// srcStart + (o + 0.5) * srcSize / destSize. Only source pixels in [validFirst, validEnd) exist;
// the rest of the source rectangle is transparent.
struct AxisMapping {
  int64_t srcStart = 0;
  int64_t srcSize = 1;
  int64_t destSize = 1;
  int32_t validFirst = 0;
  int32_t validEnd = 0;

  double Scale() const { return static_cast<double>(srcSize) / static_cast<double>(destSize); }
  double Centre(int64_t o) const { return static_cast<double>(srcStart) + (static_cast<double>(o) + 0.5) * Scale(); }
  // The destination pixels of [first, end) whose centres fall on existing source pixels.
  std::pair<int64_t, int64_t> Covered(int64_t first, int64_t end) const;
};

struct ResampleJob {
  const uint32_t* pixels = nullptr;  // the source bitmap, plain (not premultiplied) colours
  int32_t stride = 0;                // pixels per source row
  AxisMapping x, y;
  int64_t firstX = 0, endX = 0, firstY = 0, endY = 0;  // destination pixels to make, all covered
  ResampleKernel kernelX = ResampleKernel::Nearest;
  ResampleKernel kernelY = ResampleKernel::Nearest;

  int64_t OutWidth() const { return endX - firstX; }
  int64_t OutHeight() const { return endY - firstY; }
  bool KeepsPlainColours() const { return kernelX == ResampleKernel::Nearest && kernelY == ResampleKernel::Nearest; }
};

// Writes OutWidth() x OutHeight() pixels to `out`: plain colours for nearest neighbour (nothing is
// mixed), premultiplied colours for every other kernel.
void Resample(const ResampleJob& job, uint32_t* out);

}  // namespace ulka
