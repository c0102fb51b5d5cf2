// Draw: source-over blending, clipping, nearest-neighbour scaling, and the kernel filters against
// Pillow's resampling of the same picture.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "automation/Unicode.h"
#include "graphics/Bitmap.h"
#include "graphics/ImageCodec.h"
#include "graphics/Rect.h"
#include "tests/graphics/ImageFiles.h"

namespace ulka {
namespace {

Variant Obj(IDispatch* object) { return Variant(object); }
Ref<TRectangle> R(int32_t l, int32_t t, int32_t r, int32_t b) { return TRectangle::Make({l, t, r, b}); }

Ref<TBitmap> Make(int32_t width, int32_t height) {
  Ref<TBitmap> b = MakeRef<TBitmap>();
  b->SetSize(Variant(width), height);
  return b;
}

Ref<TBitmap> RandomBitmap(int32_t width, int32_t height, unsigned seed) {
  Ref<TBitmap> b = Make(width, height);
  std::mt19937 random(seed);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint32_t p = random();
      // Some opaque and some fully transparent pixels among the rest.
      if (random() % 5 == 0) p |= 0xFF000000u;
      if (random() % 7 == 0) p &= 0x00FFFFFFu;
      b->SetPixels(x, y, p);
    }
  return b;
}

int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

// Source over destination on plain colours, in real numbers.
uint32_t ExactOver(uint32_t s, uint32_t d, int alpha) {
  const double as = Channel(s, 24) / 255.0 * alpha / 255.0, ad = Channel(d, 24) / 255.0;
  const double ao = as + ad * (1 - as);
  if (ao <= 0) return d;
  uint32_t out = uint32_t(std::lround(ao * 255)) << 24;
  for (int shift : {16, 8, 0}) {
    const double c = (Channel(s, shift) * as + Channel(d, shift) * ad * (1 - as)) / ao;
    out |= uint32_t(std::lround(c)) << shift;
  }
  return out;
}

void ExpectNear(uint32_t got, uint32_t want, int tolerance, const std::string& where) {
  for (int shift : {24, 16, 8, 0})
    ASSERT_LE(std::abs(Channel(got, shift) - Channel(want, shift)), tolerance)
        << std::hex << got << " vs " << want << " " << where;
}

// Equal sizes copy without resampling: every pixel is the exact blend within one step per channel.
TEST(Draw, SameSizeBlendsEachPixelOverTheDestination) {
  for (int alpha : {255, 128, 1}) {
    Ref<TBitmap> dest = RandomBitmap(23, 17, 1), src = RandomBitmap(23, 17, 2);
    Ref<TBitmap> before = dest->Clone(Variant::Missing());
    dest->Draw(src.get(), R(0, 0, 23, 17).get(), Variant::Missing(), static_cast<uint8_t>(alpha), 5);
    for (int32_t y = 0; y < 17; ++y)
      for (int32_t x = 0; x < 23; ++x) {
        const uint32_t s = src->GetPixels(x, y), d = before->GetPixels(x, y);
        const uint32_t want = ExactOver(s, d, alpha);
        if (Channel(want, 24) == 0) continue;  // no colour to compare
        ExpectNear(dest->GetPixels(x, y), want, 1, std::to_string(x) + "," + std::to_string(y) + " alpha " + std::to_string(alpha));
      }
  }
}

TEST(Draw, AlphaZeroAndEmptyRectanglesChangeNothing) {
  Ref<TBitmap> dest = RandomBitmap(8, 8, 3), src = RandomBitmap(8, 8, 4);
  Ref<TBitmap> before = dest->Clone(Variant::Missing());
  dest->Draw(src.get(), R(0, 0, 8, 8).get(), Variant::Missing(), 0, 5);
  dest->Draw(src.get(), R(5, 5, 5, 9).get(), Variant::Missing(), 255, 5);
  dest->Draw(src.get(), R(8, 0, 0, 8).get(), Variant::Missing(), 255, 5);  // right of left: no area
  dest->Draw(src.get(), R(0, 0, 8, 8).get(), Obj(R(3, 3, 3, 3).get()), 255, 5);
  dest->Draw(src.get(), R(100, 100, 200, 200).get(), Variant::Missing(), 255, 5);  // off the bitmap
  dest->Draw(src.get(), R(0, 0, 8, 8).get(), Obj(R(50, 50, 58, 58).get()), 255, 0);  // off the source
  dest->Draw(src.get(), R(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX).get(), Obj(R(INT32_MIN, -9, -1, -1).get()), 255, 5);
  dest->Draw(src.get(), R(INT32_MAX - 9, 0, INT32_MAX, 8).get(), Variant::Missing(), 255, 5);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(dest->GetPixels(x, y), before->GetPixels(x, y)) << x << "," << y;
}

// Parts of the destination rectangle off the bitmap, and parts of the source rectangle off the
// source, are clipped without moving what remains.
TEST(Draw, ClipsBothRectanglesInPlace) {
  Ref<TBitmap> src = Make(4, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) src->SetPixels(x, y, 0xFF000000u | uint32_t(x * 16 + y));
  Ref<TBitmap> dest = Make(6, 6);
  dest->Draw(src.get(), R(-2, -1, 2, 3).get(), Variant::Missing(), 255, 5);
  EXPECT_EQ(dest->GetPixels(0, 0), src->GetPixels(2, 1));
  EXPECT_EQ(dest->GetPixels(1, 2), src->GetPixels(3, 3));
  EXPECT_EQ(dest->GetPixels(2, 0), 0u);
  Ref<TBitmap> shifted = Make(6, 6);
  shifted->Draw(src.get(), R(0, 0, 4, 4).get(), Obj(R(2, 2, 6, 6).get()), 255, 5);  // half off the source
  EXPECT_EQ(shifted->GetPixels(0, 0), src->GetPixels(2, 2));
  EXPECT_EQ(shifted->GetPixels(1, 1), src->GetPixels(3, 3));
  EXPECT_EQ(shifted->GetPixels(2, 2), 0u);  // beyond the source: nothing drawn
}

TEST(Draw, NearestNeighbourScalesExactly) {
  Ref<TBitmap> src = Make(6, 3);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 6; ++x) src->SetPixels(x, y, uint32_t(0x10 + x * 0x20) << 24 | uint32_t(x) << 8 | uint32_t(y));
  Ref<TBitmap> up = Make(12, 6);
  up->Draw(src.get(), R(0, 0, 12, 6).get(), Variant::Missing(), 255, 0);
  Ref<TBitmap> down = Make(2, 1);
  down->Draw(src.get(), R(0, 0, 2, 1).get(), Variant::Missing(), 255, 0);
  // Onto a transparent bitmap a source pixel lands as it is, whatever its alpha.
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 12; ++x) ASSERT_EQ(up->GetPixels(x, y), src->GetPixels(x / 2, y / 2)) << x << "," << y;
  EXPECT_EQ(down->GetPixels(0, 0), src->GetPixels(1, 1));  // the centre of each 3 x 3 block
  EXPECT_EQ(down->GetPixels(1, 0), src->GetPixels(4, 1));
}

// Bitmaps wider than pixman's fixed-point coordinates reach take the library's own path: the same
// nearest neighbour.
TEST(Draw, NearestNeighbourOnAVeryWideBitmap) {
  Ref<TBitmap> src = Make(40000, 2);
  for (int32_t x = 0; x < 40000; ++x) src->SetPixels(x, 1, 0xFF000000u | uint32_t(x));
  Ref<TBitmap> dest = Make(20000, 1);
  dest->Draw(src.get(), R(0, 0, 20000, 1).get(), Obj(R(0, 1, 40000, 2).get()), 255, 0);
  // Each centre lies on the border of two source pixels: the first is taken, as pixman does.
  for (int32_t x = 0; x < 20000; x += 997) ASSERT_EQ(dest->GetPixels(x, 0), 0xFF000000u | uint32_t(2 * x)) << x;
  Ref<TBitmap> narrow = Make(2, 1);
  narrow->Draw(src.get(), R(0, 0, 2, 1).get(), Obj(R(0, 1, 4, 2).get()), 255, 0);
  EXPECT_EQ(narrow->GetPixels(1, 0), 0xFF000002u);
}

// The weights of every filter sum to one: a flat picture stays flat, opaque or not.
TEST(Draw, EveryFilterKeepsAFlatColour) {
  for (uint32_t colour : {0xFF3C82C8u, 0x803C82C8u}) {
    Ref<TBitmap> src = Make(37, 29);
    src->Fill(colour, Variant::Missing());
    for (int filter : {0, 1, 2, 3, 4, 5, 6, 7, 200}) {
      for (auto size : {std::pair{9, 7}, std::pair{101, 83}, std::pair{37, 10}}) {
        Ref<TBitmap> dest = Make(size.first, size.second);
        dest->Draw(src.get(), R(0, 0, size.first, size.second).get(), Variant::Missing(), 255, static_cast<uint8_t>(filter));
        for (int32_t y = 0; y < size.second; y += 3)
          for (int32_t x = 0; x < size.first; x += 3)
            ExpectNear(dest->GetPixels(x, y), colour, colour >> 24 == 0xFF ? 0 : 1,
                       "filter " + std::to_string(filter) + " size " + std::to_string(size.first));
      }
    }
  }
}

// Shrinking a one-pixel checkerboard four times: the filters that look at every source pixel give
// grey; nearest neighbour picks black or white.
TEST(Draw, ShrinkingFiltersAverageWhatTheySkip) {
  Ref<TBitmap> checker = Make(64, 64);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) checker->SetPixels(x, y, (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
  for (int filter : {1, 2, 3, 4, 5, 6, 7}) {
    Ref<TBitmap> small = Make(16, 16);
    small->Draw(checker.get(), R(0, 0, 16, 16).get(), Variant::Missing(), 255, static_cast<uint8_t>(filter));
    for (int32_t y = 1; y < 15; ++y)
      for (int32_t x = 1; x < 15; ++x) ASSERT_NEAR(Channel(small->GetPixels(x, y), 8), 128, 3) << "filter " << filter;
  }
  Ref<TBitmap> nearest = Make(16, 16);
  nearest->Draw(checker.get(), R(0, 0, 16, 16).get(), Variant::Missing(), 255, 0);
  const int g = Channel(nearest->GetPixels(5, 5), 8);
  EXPECT_TRUE(g == 0 || g == 255);
}

TEST(Draw, ResamplingMatchesPillow) {
  TVekBitmap photo;
  ASSERT_TRUE(DecodeImage(testing::ReadImageFile("photo.png"), photo));
  Ref<TBitmap> src = MakeRef<TBitmap>();
  src->Bitmap() = photo.Copy(photo.BoundsRect());
  struct Case {
    const char* reference;
    int filter;
    int32_t width, height;
  };
  for (const Case& c : {Case{"resize-lanczos-down.rgba", 5, 24, 16}, Case{"resize-lanczos-up.rgba", 5, 150, 100},
                        Case{"resize-bilinear-down.rgba", 2, 24, 16}, Case{"resize-box-down.rgba", 1, 24, 16}}) {
    SCOPED_TRACE(c.reference);
    Ref<TBitmap> dest = Make(c.width, c.height);
    dest->Draw(src.get(), R(0, 0, c.width, c.height).get(), Variant::Missing(), 255, static_cast<uint8_t>(c.filter));
    TVekBitmap expected = testing::FromRgba(testing::ReadImageFile(c.reference), c.width, c.height);
    EXPECT_LE(testing::LargestDifference(dest->Bitmap(), expected), 2);
  }
}

TEST(Draw, OntoItselfReadsTheOldPixels) {
  Ref<TBitmap> b = RandomBitmap(10, 10, 7);
  b->Fill(0xFF000000u, Obj(R(0, 0, 1, 10).get()));
  Ref<TBitmap> copy = b->Clone(Variant::Missing());
  Ref<TBitmap> expected = b->Clone(Variant::Missing());
  expected->Draw(copy.get(), R(1, 0, 11, 10).get(), Variant::Missing(), 255, 5);
  b->Draw(b.get(), R(1, 0, 11, 10).get(), Variant::Missing(), 255, 5);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) ASSERT_EQ(b->GetPixels(x, y), expected->GetPixels(x, y));
}

TEST(Draw, RectArgumentsMustBeRectObjects) {
  Ref<TBitmap> b = Make(4, 4), src = Make(4, 4);
  Ref<TBitmap> notRect = Make(1, 1);
  auto failure = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const EVekError& e) {
      return Utf8(e.Message());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(failure([&] { b->Draw(src.get(), notRect.get(), Variant::Missing(), 255, 5); }), "Invalid class typecast");
  EXPECT_EQ(failure([&] { b->Draw(src.get(), R(0, 0, 4, 4).get(), Variant(int32_t{3}), 255, 5); }), "Invalid class typecast");
  EXPECT_EQ(failure([&] { b->Draw(R(0, 0, 1, 1).get(), R(0, 0, 4, 4).get(), Variant::Missing(), 255, 5); }),
            "Invalid class typecast");
  EXPECT_EQ(failure([&] { b->Draw(src.get(), R(0, 0, 4, 4).get(), Variant(), 255, 5); }), "no failure");
}

}  // namespace
}  // namespace ulka
