#include "web/WindowIcon.h"

#include <algorithm>

#include "graphics/ImageCodec.h"
#include "runtime/ResourceMembers.h"

namespace ulka {
namespace {

constexpr int kIconSizes[] = {16, 32, 48, 64, 128};
constexpr int kAlwaysMade = 32;  // up to this size even a smaller picture is scaled up
constexpr char16_t kProgramIconName[] = u"MAINICON";

// The picture fitted into a transparent square of `size` pixels, centred.
IconPicture Square(TVekBitmap& image, int size) {
  const int width = image.Width(), height = image.Height();
  const int longer = std::max(width, height);
  const int fittedWidth = std::max(1, static_cast<int>(int64_t{width} * size / longer));
  const int fittedHeight = std::max(1, static_cast<int>(int64_t{height} * size / longer));
  TVekBitmap square;
  square.SetSize(size, size);
  const int left = (size - fittedWidth) / 2, top = (size - fittedHeight) / 2;
  square.Draw(image, {left, top, left + fittedWidth, top + fittedHeight}, image.BoundsRect(), 255);
  IconPicture picture{size, size, {}};
  picture.rgba.reserve(square.PixelCount() * 4);
  for (size_t i = 0; i < square.PixelCount(); ++i) {
    const uint32_t pixel = square.Bits()[i];  // 0xAARRGGBB
    picture.rgba.push_back(static_cast<uint8_t>(pixel >> 16));
    picture.rgba.push_back(static_cast<uint8_t>(pixel >> 8));
    picture.rgba.push_back(static_cast<uint8_t>(pixel));
    picture.rgba.push_back(static_cast<uint8_t>(pixel >> 24));
  }
  return picture;
}

}  // namespace

const char kPageIconScript[] =
    "(function () {"
    "  var link = document.querySelector('link[rel~=\"icon\" i][href]');"
    "  return link ? link.href : '';"
    "})()";

std::vector<IconPicture> IconPicturesFrom(std::span<const uint8_t> image) {
  TVekBitmap bitmap;
  if (image.empty() || !DecodeImage(image, bitmap) || bitmap.Empty()) return {};
  bitmap.SetStretchFilter(sfMitchell);
  const int longer = std::max(bitmap.Width(), bitmap.Height());
  std::vector<IconPicture> pictures;
  for (int size : kIconSizes) {
    if (size > kAlwaysMade && size > longer) break;
    pictures.push_back(Square(bitmap, size));
  }
  return pictures;
}

const std::vector<IconPicture>& ProgramIconPictures() {
  static const std::vector<IconPicture> pictures =
      IconPicturesFrom(LoadIconFileFromFile("/proc/self/exe", ResId::Text(kProgramIconName)));
  return pictures;
}

}  // namespace ulka
