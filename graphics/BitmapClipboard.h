// A bitmap on the desktop clipboard, as a picture other programs can paste (PNG with its alpha
// channel, and the other image types the toolkit offers), and any picture they put there.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/VekBitmap.h"

namespace ulka {

// Whether the clipboard holds a picture that can be pasted; false without a display.
bool CanPasteBitmap();
// The clipboard's picture, alpha included when its type carries one; false (and `bitmap`
// unchanged) when there is none or it cannot be read. Never throws.
bool PasteBitmap(TVekBitmap& bitmap);
// The picture to put on the clipboard, taken while the bitmap is locked: R, G, B, A bytes.
struct ClipboardPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgba;
};
ClipboardPicture PictureOf(const TVekBitmap& bitmap);
// Puts it on the clipboard; fails with a message when there is no display or nothing to copy.
void CopyPicture(ClipboardPicture picture);

}  // namespace ulka
