// Pictures on the desktop clipboard. Main thread only, with the platform ready.
#pragma once

#include <cstdint>
#include <vector>

#include "automation/Types.h"

namespace ulka {

// Offers a picture (R, G, B, A bytes, alpha not premultiplied, rows without padding) in every image
// type GTK can write, PNG (with the alpha channel) first. Other programs read it while the loop
// runs. False when no picture could be made of it.
bool SetClipboardImage(int width, int height, std::vector<uint8_t> rgba);
// Whether the clipboard offers a picture in a type this program can read.
bool ClipboardOffersImage();
// The clipboard's picture in the type its owner offers, PNG preferred; empty when there is none.
Bytes ClipboardImageBytes();

}  // namespace ulka
