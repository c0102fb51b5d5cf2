// Decoding pictures made by Pillow and ImageMagick, encoding PNG and JPEG, and bad input.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics/ImageCodec.h"
#include "tests/graphics/ImageFiles.h"

namespace ulka {
namespace {

using testing::FromRgba;
using testing::ImagePath;
using testing::kReferenceHeight;
using testing::kReferenceWidth;
using testing::LargestDifference;
using testing::ReadFixture;
using testing::ReadImageFile;
using testing::ReferencePixel;

TVekBitmap Decode(const Bytes& data) {
  TVekBitmap bitmap;
  EXPECT_TRUE(DecodeImage(data, bitmap));
  return bitmap;
}

struct LosslessCase {
  const char* file;
  bool alpha;
  bool premultipliedByLoader = false;  // TIFF: libtiff hands out premultiplied colours
};

// Exact, or for colours that went through premultiplication, as close as alpha / 255 steps allow.
bool Matches(uint32_t got, uint32_t want, bool premultiplied) {
  if (!premultiplied) return got == want;
  const int alpha = static_cast<int>(want >> 24);
  if (static_cast<int>(got >> 24) != alpha) return false;
  const int tolerance = alpha == 255 ? 0 : 255 / (2 * alpha) + 1;
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

// Every lossless file holds the reference picture exactly.
TEST(Codec, LosslessFilesOfEveryFormatDecodeExactly) {
  const LosslessCase cases[] = {
      {"pillow-rgba.png", true},       {"pillow-rgb.png", false},       {"pillow-palette-alpha.png", true},
      {"pillow-rgb.bmp", false},       {"pillow-rgba.tif", true, true}, {"pillow-rgba.ico", true},
      {"pillow-rgba.webp", true},      {"pillow-rgb.tga", false},       {"pillow-rgba.tga", true},
      {"pillow-rgb.ppm", false},       {"magick-rgb.bmp", false},       {"magick-rgba.tif", true, true},
      {"magick-interlaced.png", true}, {"magick-16bit.png", true},      {"magick-rgba.ico", true},
      {"magick-rgb.gif", false},
  };
  for (const LosslessCase& c : cases) {
    SCOPED_TRACE(c.file);
    TVekBitmap bitmap = Decode(ReadImageFile(c.file));
    ASSERT_EQ(bitmap.Width(), kReferenceWidth);
    ASSERT_EQ(bitmap.Height(), kReferenceHeight);
    for (int y = 0; y < kReferenceHeight; ++y)
      for (int x = 0; x < kReferenceWidth; ++x)
        ASSERT_TRUE(Matches(bitmap.Pixel(x, y), ReferencePixel(x, y, c.alpha), c.premultipliedByLoader))
            << std::hex << bitmap.Pixel(x, y) << " at " << x << "," << y;
  }
}

TEST(Codec, GreyAndTransparentPaletteEntries) {
  TVekBitmap grey = Decode(ReadImageFile("pillow-grey.png"));
  EXPECT_EQ(grey.Pixel(3, 2), 0xFF4D4D4Du);
  TVekBitmap gif = Decode(ReadImageFile("pillow-first-transparent.gif"));
  EXPECT_EQ(gif.Pixel(0, 0) >> 24, 0u);  // the transparent palette entry
  for (int y = 0; y < kReferenceHeight; ++y)
    for (int x = 0; x < kReferenceWidth; ++x)
      if (x || y) {
        EXPECT_EQ(gif.Pixel(x, y), ReferencePixel(x, y, false)) << x << "," << y;
      }
}

// libjpeg-turbo with the same settings as Pillow's decoder gives the very same pixels; CMYK is
// compared with ImageMagick's conversion.
TEST(Codec, JpegsDecodeAsTheOtherToolsDecodeThem) {
  const std::pair<const char*, int> cases[] = {{"pillow-photo.jpg", 0},
                                               {"pillow-photo-progressive.jpg", 0},
                                               {"pillow-grey.jpg", 0},
                                               {"magick-cmyk.jpg", 2}};
  for (const auto& [file, tolerance] : cases) {
    SCOPED_TRACE(file);
    TVekBitmap bitmap = Decode(ReadImageFile(file));
    TVekBitmap expected = FromRgba(ReadImageFile(std::string(file) + ".rgba"), bitmap.Width(), bitmap.Height());
    EXPECT_EQ(bitmap.Width(), 96);
    EXPECT_EQ(bitmap.Height(), 64);
    EXPECT_LE(LargestDifference(bitmap, expected), tolerance);
  }
}

// One rule for every format: a picture loads as stored but for orientation 8, which turns it 90
// degrees anticlockwise. The picture is red and blue on top, green and white below.
TEST(Codec, OnlyOrientationEightTurnsThePictureInEveryFormat) {
  auto colour = [](uint32_t p) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    auto high = [](int v) { return v > 200; };
    auto low = [](int v) { return v < 60; };
    if (high(r) && low(g) && low(b)) return 'R';
    if (low(r) && high(g) && low(b)) return 'G';
    if (low(r) && low(g) && high(b)) return 'B';
    if (high(r) && high(g) && high(b)) return 'W';
    return '?';
  };
  // Corners read clockwise from the top left.
  auto corners = [&](const TVekBitmap& b) {
    const int w = b.Width(), h = b.Height();
    return std::string{colour(b.Pixel(2, 2)), colour(b.Pixel(w - 3, 2)), colour(b.Pixel(w - 3, h - 3)),
                       colour(b.Pixel(2, h - 3))};
  };
  for (const char* format : {"jpg", "png", "webp", "tif"}) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
      const std::string file = "orientation-" + std::to_string(orientation) + "." + format;
      TVekBitmap picture = Decode(ReadImageFile(file));
      const bool turned = orientation == 8;
      EXPECT_EQ(picture.Width(), turned ? 16 : 32) << file;
      EXPECT_EQ(picture.Height(), turned ? 32 : 16) << file;
      EXPECT_EQ(corners(picture), turned ? "BWGR" : "RBWG") << file;
    }
  }
}

// A 2-bit GIF whose pictures start at an LZW code size of 8 (the "minusnode.gif" icon of
// CPython's IDLE, 96 bytes), which the desktop's GIF loader refuses; its transparent colour keeps
// its palette colour under alpha 0, as a PNG's does.
TEST(Codec, GifWithAWideStartingCodeSize) {
  TVekBitmap icon = Decode(ReadFixture("minusnode.gif"));
  ASSERT_EQ(icon.Width(), 11);
  ASSERT_EQ(icon.Height(), 11);
  EXPECT_EQ(icon.Pixel(0, 5), 0x00C0C0C0u);
  EXPECT_EQ(icon.Pixel(1, 5), 0xFF7F7F7Fu);
  EXPECT_EQ(icon.Pixel(3, 5), 0xFF000000u);
  EXPECT_EQ(icon.Pixel(2, 5), 0xFFFFFFFFu);
}

TVekBitmap RandomBitmap(int width, int height, bool opaque, unsigned seed) {
  TVekBitmap bitmap;
  bitmap.SetSize(width, height);
  std::mt19937 random(seed);
  for (size_t i = 0; i < bitmap.PixelCount(); ++i) bitmap.Bits()[i] = random() | (opaque ? 0xFF000000u : 0);
  return bitmap;
}

TEST(Codec, PngRoundTripKeepsEveryChannelExactly) {
  for (bool opaque : {false, true}) {
    SCOPED_TRACE(opaque ? "opaque" : "with alpha");
    TVekBitmap original = RandomBitmap(37, 23, opaque, 5);
    original.SetPixel(0, 0, 0x00123456);  // a transparent pixel keeps its colour too
    if (opaque) original.SetPixel(0, 0, 0xFF123456);
    const Bytes png = EncodePng(original);
    ASSERT_GT(png.size(), 33u);
    // The colour type in the header: 2 (RGB) for an opaque bitmap, 6 (RGBA) otherwise.
    EXPECT_EQ(png[25], opaque ? 2 : 6);
    TVekBitmap decoded = Decode(png);
    EXPECT_EQ(LargestDifference(original, decoded), 0);
  }
}

TEST(Codec, JpegQualityAndItsDefault) {
  TVekBitmap picture = Decode(ReadImageFile("pillow-photo.jpg"));
  const Bytes low = EncodeJpeg(picture, 1), high = EncodeJpeg(picture, 100);
  EXPECT_LT(low.size() * 2, high.size());
  EXPECT_EQ(EncodeJpeg(picture, 0), EncodeJpeg(picture, 85));
  EXPECT_EQ(EncodeJpeg(picture, -5), EncodeJpeg(picture, 85));
  EXPECT_EQ(EncodeJpeg(picture, 400), high);
  TVekBitmap decoded = Decode(high);
  EXPECT_LE(LargestDifference(picture, decoded), 24);
}

TEST(Codec, EmptyBitmapsEncodeToNothing) {
  TVekBitmap empty;
  EXPECT_TRUE(EncodePng(empty).empty());
  EXPECT_TRUE(EncodeJpeg(empty, 90).empty());
  empty.SetSize(5, 0);
  EXPECT_TRUE(EncodePng(empty).empty());
}

// Cut short, garbled or not a picture at all: false, and the bitmap keeps what it held.
TEST(Codec, BrokenFilesAnswerFalseAndLeaveTheBitmap) {
  const char* files[] = {"photo.png", "photo-interlaced.png", "pillow-photo.jpg", "pillow-photo-progressive.jpg",
                         "photo.bmp", "photo.tif",            "photo.gif",        "photo.tga",
                         "photo.ppm", "photo.webp",           "photo.ico",        "photo-magick.ico"};
  TVekBitmap bitmap, probe;
  bitmap.SetSize(3, 3);
  bitmap.Fill(0xFF010203);
  for (const char* file : files) {
    const Bytes whole = ReadImageFile(file);
    ASSERT_TRUE(DecodeImage(whole, probe)) << file;
    for (double part : {0.1, 0.5, 0.9}) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() * part));
      EXPECT_FALSE(DecodeImage(cut, bitmap)) << file << " cut at " << part;
    }
  }
  EXPECT_FALSE(DecodeImage(Bytes{}, bitmap));
  const std::string text = "<html>not a picture</html>";
  EXPECT_FALSE(DecodeImage(Bytes(text.begin(), text.end()), bitmap));
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Pixel(2, 2), 0xFF010203u);
}

TEST(Codec, GarbledBytesNeverCrash) {
  std::mt19937 random(11);
  for (const char* file : {"pillow-rgba.png", "pillow-photo.jpg", "pillow-rgb.bmp", "magick-rgb.gif", "pillow-rgba.tif",
                           "pillow-rgba.webp", "magick-rgba.ico"}) {
    const Bytes whole = ReadImageFile(file);
    for (int round = 0; round < 40; ++round) {
      Bytes garbled = whole;
      for (int k = 0; k < 4; ++k) garbled[16 + random() % (garbled.size() - 16)] = static_cast<uint8_t>(random());
      TVekBitmap bitmap;
      if (DecodeImage(garbled, bitmap)) {
        EXPECT_FALSE(bitmap.Empty()) << file;
      }
    }
  }
}

// --- pictures that claim to be huge ----------------------------------------------------------

void Put32(Bytes& b, size_t at, uint32_t v, bool big) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (big ? 24 - 8 * k : 8 * k));
}

uint32_t Crc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

Bytes HugePng(uint32_t side) {
  Bytes png = ReadImageFile("pillow-rgba.png");
  Put32(png, 16, side, true);  // IHDR width and height
  Put32(png, 20, side, true);
  Put32(png, 29, Crc(&png[12], 17), true);
  return png;
}

Bytes HugeJpeg(uint16_t side) {
  Bytes jpeg = ReadImageFile("pillow-photo.jpg");
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {  // the frame header
      jpeg[i + 5] = jpeg[i + 7] = static_cast<uint8_t>(side >> 8);
      jpeg[i + 6] = jpeg[i + 8] = static_cast<uint8_t>(side);
      break;
    }
  }
  return jpeg;
}

Bytes HugeBmp(int32_t side) {
  Bytes bmp = ReadImageFile("pillow-rgb.bmp");
  Put32(bmp, 18, static_cast<uint32_t>(side), false);
  Put32(bmp, 22, static_cast<uint32_t>(side), false);
  return bmp;
}

Bytes HugeGif(uint16_t side) {
  Bytes gif = ReadImageFile("magick-rgb.gif");
  gif[6] = gif[8] = static_cast<uint8_t>(side);  // the logical screen
  gif[7] = gif[9] = static_cast<uint8_t>(side >> 8);
  return gif;
}

Bytes HugePpm(uint32_t side) {
  const std::string header = "P6\n" + std::to_string(side) + " " + std::to_string(side) + "\n255\n";
  Bytes ppm(header.begin(), header.end());
  ppm.resize(ppm.size() + 4096);
  return ppm;
}

long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// The size is refused from the header, before anything makes room for the picture: the process
// never grows by the gigabytes such a picture would need.
TEST(Codec, HugeHeadersAnswerFalseWithoutAllocating) {
  const std::pair<const char*, Bytes> cases[] = {
      {"png 100000", HugePng(100000)}, {"jpeg 65000", HugeJpeg(65000)}, {"bmp 100000", HugeBmp(100000)},
      {"bmp 20000", HugeBmp(20000)},   {"gif 65535", HugeGif(65535)},   {"gif 20000", HugeGif(20000)},
      {"ppm 100000", HugePpm(100000)}, {"ppm 20000", HugePpm(20000)},
  };
  const long before = PeakResidentKb();
  for (const auto& [name, data] : cases) {
    TVekBitmap bitmap;
    EXPECT_FALSE(DecodeImage(data, bitmap)) << name;
  }
  EXPECT_LT(PeakResidentKb() - before, 200 * 1024);
}

}  // namespace
}  // namespace ulka
