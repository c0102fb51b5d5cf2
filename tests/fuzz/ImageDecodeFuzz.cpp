// Fuzz entry for the image decoders: any bytes through DecodeImage (every format and the size
// guard), then what decoded through the PNG encoder and back, which must give the same pixels.
// Nothing may crash, hang or allocate more than the limits allow.
#include <cstdint>
#include <cstdlib>

#include "graphics/ImageCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ulka;
  TVekBitmap bitmap;
  if (!DecodeImage(std::span<const uint8_t>(data, size), bitmap)) {
    if (!bitmap.Empty()) std::abort();  // a failed decode leaves the bitmap as it was
    return 0;
  }
  if (bitmap.Empty() || !TVekBitmap::SizeAllowed(bitmap.Width(), bitmap.Height())) std::abort();
  if (bitmap.PixelCount() > 4096 * 4096) return 0;  // keep each run short
  TVekBitmap again;
  if (!DecodeImage(EncodePng(bitmap), again)) std::abort();
  for (size_t i = 0; i < bitmap.PixelCount(); ++i)
    if (bitmap.Bits()[i] != again.Bits()[i]) std::abort();
  return 0;
}
