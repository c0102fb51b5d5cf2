#include "graphics/PixmanScale.h"

#include <pixman.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/Blend.h"

namespace ulka {
namespace {

struct ImageUnref {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageUnref>;

// pixman's coordinates are 16.16 fixed point: every value it sees must stay well inside 32767.
constexpr double kFixedLimit = 30000;

bool Fits(double value) { return std::abs(value) < kFixedLimit; }

bool Enlarging(const AxisMapping& m) { return m.srcSize <= m.destSize; }

// The source coordinate (relative to the existing part) of output pixel i's left edge, and the
// step per pixel: pixman maps the centre of pixel i to step * (i + 0.5) + offset.
struct AxisTransform {
  double step;
  double offset;
};

AxisTransform TransformOf(const AxisMapping& m, int64_t first) {
  const double step = m.Scale();
  return {step, static_cast<double>(m.srcStart - m.validFirst) + static_cast<double>(first) * step};
}

bool FitsPixman(const ResampleJob& job, const AxisTransform& tx, const AxisTransform& ty) {
  const double existingWidth = job.x.validEnd - job.x.validFirst;
  const double existingHeight = job.y.validEnd - job.y.validFirst;
  return Fits(existingWidth) && Fits(existingHeight) && Fits(static_cast<double>(job.OutWidth())) &&
         Fits(static_cast<double>(job.OutHeight())) && Fits(tx.step) && Fits(ty.step) && Fits(tx.offset) &&
         Fits(ty.offset) && Fits(tx.offset + tx.step * static_cast<double>(job.OutWidth())) &&
         Fits(ty.offset + ty.step * static_cast<double>(job.OutHeight()));
}

}  // namespace

bool PixmanScale(const ResampleJob& job, uint32_t* out) {
  const bool nearest = job.KeepsPlainColours();
  const bool bilinear = job.kernelX == ResampleKernel::Triangle && job.kernelY == ResampleKernel::Triangle &&
                        Enlarging(job.x) && Enlarging(job.y);
  if (!nearest && !bilinear) return false;
  const AxisTransform tx = TransformOf(job.x, job.firstX);
  const AxisTransform ty = TransformOf(job.y, job.firstY);
  if (!FitsPixman(job, tx, ty)) return false;

  const int width = job.x.validEnd - job.x.validFirst;
  const int height = job.y.validEnd - job.y.validFirst;
  const uint32_t* origin = job.pixels + static_cast<size_t>(job.y.validFirst) * job.stride + job.x.validFirst;
  int stride = job.stride;
  // Interpolation mixes neighbours, which is only right on premultiplied colours; nearest
  // neighbour copies pixels, so the plain colours pass through untouched.
  std::vector<uint32_t> premultiplied;
  if (bilinear) {
    premultiplied.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      PremultiplyRow(premultiplied.data() + static_cast<size_t>(y) * width, origin + static_cast<size_t>(y) * stride,
                     width);
    origin = premultiplied.data();
    stride = width;
  }

  PixmanImage source(pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, const_cast<uint32_t*>(origin),
                                              stride * 4));
  PixmanImage target(pixman_image_create_bits(PIXMAN_a8r8g8b8, static_cast<int>(job.OutWidth()),
                                              static_cast<int>(job.OutHeight()), out,
                                              static_cast<int>(job.OutWidth()) * 4));
  if (!source || !target) return false;
  pixman_transform_t transform;
  pixman_transform_init_identity(&transform);
  transform.matrix[0][0] = pixman_double_to_fixed(tx.step);
  transform.matrix[0][2] = pixman_double_to_fixed(tx.offset);
  transform.matrix[1][1] = pixman_double_to_fixed(ty.step);
  transform.matrix[1][2] = pixman_double_to_fixed(ty.offset);
  pixman_image_set_transform(source.get(), &transform);
  pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);  // the edges of the existing part repeat
  pixman_image_set_filter(source.get(), nearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_composite32(PIXMAN_OP_SRC, source.get(), nullptr, target.get(), 0, 0, 0, 0, 0, 0,
                           static_cast<int>(job.OutWidth()), static_cast<int>(job.OutHeight()));
  return true;
}

}  // namespace ulka
