#include "graphics/WebpCodec.h"

#include <webp/decode.h>

#include <cstring>

#include "graphics/Exif.h"

namespace ulka {

bool IsStillWebp(std::span<const uint8_t> data) {
  if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WEBP", 4) != 0)
    return false;
  WebPBitstreamFeatures features;
  return WebPGetFeatures(data.data(), data.size(), &features) == VP8_STATUS_OK && !features.has_animation;
}

bool ReadWebp(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation) {
  orientation = WebpExifOrientation(data);
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data.data(), data.size(), &features) != VP8_STATUS_OK) return false;
  if (features.width <= 0 || features.height <= 0 || !TVekBitmap::SizeAllowed(features.width, features.height))
    return false;
  TVekBitmap decoded;
  decoded.SetSizeForOverwrite(features.width, features.height);
  const size_t bytes = decoded.PixelCount() * 4;
  // B, G, R, A bytes with plain alpha: the bitmap's own layout.
  if (!WebPDecodeBGRAInto(data.data(), data.size(), reinterpret_cast<uint8_t*>(decoded.Bits()), bytes,
                          features.width * 4))
    return false;
  bitmap = std::move(decoded);
  return true;
}

}  // namespace ulka
