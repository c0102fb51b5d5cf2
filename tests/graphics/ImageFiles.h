// Pictures made by independent tools for the bitmap tests: make-images.py writes them, once per test
// run into the folder ULKA_TEST_IMAGES names, else once per process into a temporary folder.
#pragma once

#include <cstdint>
#include <string>

#include "automation/Types.h"
#include "graphics/VekBitmap.h"

namespace ulka::testing {

// The folder holding the pictures; made on first use.
const std::string& ImageFolder();
std::string ImagePath(const std::string& name);
Bytes ReadImageFile(const std::string& name);
// A file of tests/graphics/fixtures (real files kept as they are).
Bytes ReadFixture(const std::string& name);

// The reference picture of make-images.py: 7 x 5, at (x, y) red 40x, green 50y, blue 200 - 20x - 10y,
// alpha 255 - 25 (x + y) or 255.
constexpr int kReferenceWidth = 7;
constexpr int kReferenceHeight = 5;
uint32_t ReferencePixel(int x, int y, bool alpha);

// A picture given as R, G, B, A bytes (the *.rgba files) as a bitmap.
TVekBitmap FromRgba(const Bytes& rgba, int width, int height);

// The largest difference of one channel between two bitmaps of the same size (256 when the sizes differ).
int LargestDifference(const TVekBitmap& a, const TVekBitmap& b);

}  // namespace ulka::testing
