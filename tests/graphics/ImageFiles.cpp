#include "tests/graphics/ImageFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ulka::testing {

namespace {

// Pillow is installed for the system's Python; a python3 first on the PATH may be another one.
std::string Python() { return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

}  // namespace

const std::string& ImageFolder() {
  // Made once per test run by the graphics.make_images fixture.
  if (const char* made = std::getenv("ULKA_TEST_IMAGES"); made && std::filesystem::exists(std::string(made) + "/photo.png")) {
    static const std::string shared = made;
    return shared;
  }
  // Run by hand: made here, in a temporary folder, and removed at exit. Never destroyed, so that
  // the clean-up can still read it.
  static const std::string* folder = [] {
    char pattern[] = "/tmp/ulka-images-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a temporary folder");
    auto* dir = new std::string(pattern);
    const std::string command = Python() + " " + ULKA_SOURCE_DIR "/tests/graphics/make-images.py " + *dir;
    if (std::system(command.c_str()) != 0) throw std::runtime_error("make-images.py failed: " + command);
    return dir;
  }();
  static const bool cleanUp = [] { return std::atexit([] { std::filesystem::remove_all(*folder); }) == 0; }();
  (void)cleanUp;
  return *folder;
}

std::string ImagePath(const std::string& name) { return ImageFolder() + "/" + name; }

Bytes ReadImageFile(const std::string& name) {
  std::ifstream in(ImagePath(name), std::ios::binary);
  if (!in) throw std::runtime_error("missing picture " + name);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes ReadFixture(const std::string& name) {
  std::ifstream in(ULKA_SOURCE_DIR "/tests/graphics/fixtures/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t ReferencePixel(int x, int y, bool alpha) {
  const uint32_t a = alpha ? 255 - 25 * (x + y) : 255;
  return a << 24 | uint32_t(40 * x) << 16 | uint32_t(50 * y) << 8 | uint32_t(200 - 20 * x - 10 * y);
}

TVekBitmap FromRgba(const Bytes& rgba, int width, int height) {
  TVekBitmap bitmap;
  bitmap.SetSize(width, height);
  if (rgba.size() != static_cast<size_t>(width) * height * 4) throw std::runtime_error("wrong raw picture size");
  for (size_t i = 0; i < bitmap.PixelCount(); ++i) {
    const uint8_t* p = &rgba[i * 4];
    bitmap.Bits()[i] = uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  }
  return bitmap;
}

int LargestDifference(const TVekBitmap& a, const TVekBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  int largest = 0;
  for (size_t i = 0; i < a.PixelCount(); ++i)
    for (int shift = 0; shift < 32; shift += 8)
      largest = std::max(largest, std::abs(int((a.Bits()[i] >> shift) & 0xFF) - int((b.Bits()[i] >> shift) & 0xFF)));
  return largest;
}

}  // namespace ulka::testing
