#include "graphics/BitmapClipboard.h"

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "graphics/DisplayCall.h"
#include "graphics/ImageCodec.h"
#include "platform/Clipboard.h"

namespace ulka {

bool CanPasteBitmap() {
  if (!DisplayAvailable()) return false;
  try {
    return OnDisplay([] { return ClipboardOffersImage(); });
  } catch (const EVekError&) {
    return false;
  }
}

bool PasteBitmap(TVekBitmap& bitmap) {
  if (!DisplayAvailable()) return false;
  Bytes data;
  try {
    data = OnDisplay([] { return ClipboardImageBytes(); });
  } catch (const EVekError&) {
    return false;
  }
  return DecodeImage(data, bitmap);  // decoded here, on the caller's thread
}

ClipboardPicture PictureOf(const TVekBitmap& bitmap) {
  ClipboardPicture picture{bitmap.Width(), bitmap.Height(), {}};
  picture.rgba.resize(bitmap.PixelCount() * 4);
  uint8_t* out = picture.rgba.data();
  for (size_t i = 0, n = bitmap.PixelCount(); i < n; ++i, out += 4) {
    const uint32_t p = bitmap.Bits()[i];
    out[0] = static_cast<uint8_t>(p >> 16);
    out[1] = static_cast<uint8_t>(p >> 8);
    out[2] = static_cast<uint8_t>(p);
    out[3] = static_cast<uint8_t>(p >> 24);
  }
  return picture;
}

void CopyPicture(ClipboardPicture picture) {
  const bool copied = OnDisplay([&] { return SetClipboardImage(picture.width, picture.height, std::move(picture.rgba)); });
  if (!copied) Fail(msg::kClipboardCopyFailed);
}

}  // namespace ulka
