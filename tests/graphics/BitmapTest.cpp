// The Bitmap object's members apart from drawing: sizes, pixels, fills, copies, turns, files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "automation/ByteConvert.h"
#include "automation/Unicode.h"
#include "graphics/Bitmap.h"
#include "graphics/Rect.h"

namespace ulka {
namespace {

Variant Obj(IDispatch* object) { return Variant(object); }
Variant Int(int32_t v) { return Variant(v); }

Ref<TBitmap> Make(int32_t width, int32_t height) {
  Ref<TBitmap> b = MakeRef<TBitmap>();
  b->SetSize(Int(width), height);
  return b;
}

// Every pixel numbered: 0xFF000000 | y << 8 | x.
Ref<TBitmap> Numbered(int32_t width, int32_t height) {
  Ref<TBitmap> b = Make(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) b->SetPixels(x, y, 0xFF000000u | uint32_t(y) << 8 | uint32_t(x));
  return b;
}

uint32_t N(int32_t x, int32_t y) { return 0xFF000000u | uint32_t(y) << 8 | uint32_t(x); }

std::string FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EVekError& e) {
    return Utf8(e.Message());
  }
  return "no failure";
}

TEST(Bitmap, SetSizeInItsForms) {
  Ref<TBitmap> b = MakeRef<TBitmap>();
  EXPECT_TRUE(b->IsEmpty());
  b->SetSize(Int(10), 0);
  EXPECT_EQ(b->GetWidth(), 10);
  EXPECT_EQ(b->GetHeight(), 10);
  EXPECT_EQ(b->GetPixels(9, 9), 0u);  // transparent black
  b->SetSize(Int(10), 20);
  EXPECT_EQ(b->GetWidth(), 10);
  EXPECT_EQ(b->GetHeight(), 20);
  b->SetSize(Obj(TRectangle::Make({5, 5, 8, 12}).get()), 0);
  EXPECT_EQ(b->GetWidth(), 3);
  EXPECT_EQ(b->GetHeight(), 7);
  b->SetSize(Obj(Make(4, 6).get()), 0);
  EXPECT_EQ(b->GetWidth(), 4);
  EXPECT_EQ(b->GetHeight(), 6);
  b->SetSize(Variant(u"12"), 3);  // anything else is taken as a number
  EXPECT_EQ(b->GetWidth(), 12);
  EXPECT_EQ(b->GetHeight(), 3);
  EXPECT_NE(FailureOf([&] { b->SetSize(Variant(u"wide"), 3); }), "no failure");
}

TEST(Bitmap, ResizingDiscardsThePixels) {
  Ref<TBitmap> b = Make(3, 3);
  b->Fill(0xFF00FF00, Variant::Missing());
  b->SetSize(Int(3), 3);
  EXPECT_EQ(b->GetPixels(1, 1), 0u);
  b->Fill(0xFF00FF00, Variant::Missing());
  b->SetWidth(5);
  EXPECT_EQ(b->GetHeight(), 3);
  EXPECT_EQ(b->GetPixels(1, 1), 0u);
}

// Negative sides count as 0: a bitmap without pixels, whose other side is kept, so that setting
// Width and then Height on a new bitmap works.
TEST(Bitmap, NegativeAndHugeSizes) {
  Ref<TBitmap> b = MakeRef<TBitmap>();
  b->SetWidth(100);
  EXPECT_EQ(b->GetWidth(), 100);
  EXPECT_TRUE(b->IsEmpty());
  b->SetHeight(50);
  EXPECT_FALSE(b->IsEmpty());
  EXPECT_EQ(b->GetHeight(), 50);
  b->SetSize(Int(-5), -7);
  EXPECT_TRUE(b->IsEmpty());
  EXPECT_EQ(b->GetWidth(), 0);
  EXPECT_EQ(b->GetPixels(0, 0), 0u);
  EXPECT_EQ(FailureOf([&] { b->SetSize(Int(100000), 100000); }), "A bitmap of 100000 x 100000 pixels is too large");
  EXPECT_NE(FailureOf([&] { b->SetSize(Obj(TRectangle::Make({INT32_MIN, 0, INT32_MAX, 10}).get()), 0); }),
            "no failure");
  EXPECT_EQ(b->GetWidth(), 0);  // a failed resize keeps the old size
}

TEST(Bitmap, PixelsInsideAndOutside) {
  Ref<TBitmap> b = Make(2, 2);
  b->SetPixels(1, 0, 0x80FF0000);
  EXPECT_EQ(b->GetPixels(1, 0), 0x80FF0000u);  // exactly, alpha included
  b->SetPixels(-1, 0, 0xFFFFFFFF);
  b->SetPixels(2, 0, 0xFFFFFFFF);
  b->SetPixels(0, 5, 0xFFFFFFFF);
  EXPECT_EQ(b->GetPixels(-1, 0), 0u);
  EXPECT_EQ(b->GetPixels(0, 2), 0u);
  EXPECT_EQ(b->GetPixels(0, 0), 0u);
  EXPECT_EQ(b->GetBounds().get() != nullptr, true);
  EXPECT_EQ(static_cast<TRectangle*>(b->GetBounds().get())->FRect, (TRect{0, 0, 2, 2}));
}

TEST(Bitmap, FillWithAndWithoutRect) {
  Ref<TBitmap> b = Make(4, 4);
  b->Fill(0x80FF0000, Variant::Missing());  // without a Rect: exactly that colour, alpha included
  EXPECT_EQ(b->GetPixels(3, 3), 0x80FF0000u);
  b->Fill(0, Variant(u"not a rect"));
  EXPECT_EQ(b->GetPixels(0, 0), 0u);

  b->Fill(0xFF0000FF, Variant::Missing());
  b->Fill(0xFF00FF00, Obj(TRectangle::Make({-2, -2, 1, 1}).get()));  // opaque: replaces, clipped
  EXPECT_EQ(b->GetPixels(0, 0), 0xFF00FF00u);
  EXPECT_EQ(b->GetPixels(1, 1), 0xFF0000FFu);
  b->Fill(0x00FFFFFF, Obj(TRectangle::Make({0, 0, 4, 4}).get()));  // transparent: leaves them
  EXPECT_EQ(b->GetPixels(0, 0), 0xFF00FF00u);
  b->Fill(0x80FF0000, Obj(TRectangle::Make({2, 2, 100, 100}).get()));  // half red over blue
  const uint32_t mixed = b->GetPixels(3, 3);
  EXPECT_EQ(mixed >> 24, 0xFFu);
  EXPECT_NEAR(int((mixed >> 16) & 0xFF), 128, 1);
  EXPECT_NEAR(int(mixed & 0xFF), 127, 1);
  EXPECT_EQ(b->GetPixels(1, 3), 0xFF0000FFu);
}

TEST(Bitmap, CloneCopiesExactlyAndPadsWithTransparency) {
  Ref<TBitmap> b = Numbered(4, 3);
  b->SetPixels(0, 0, 0x10203040);
  Ref<TBitmap> whole = b->Clone(Variant::Missing());
  EXPECT_EQ(whole->GetWidth(), 4);
  EXPECT_EQ(whole->GetPixels(0, 0), 0x10203040u);  // no blending
  Ref<TBitmap> part = b->Clone(Obj(TRectangle::Make({2, 1, 6, 2}).get()));
  ASSERT_EQ(part->GetWidth(), 4);
  ASSERT_EQ(part->GetHeight(), 1);
  EXPECT_EQ(part->GetPixels(0, 0), N(2, 1));
  EXPECT_EQ(part->GetPixels(1, 0), N(3, 1));
  EXPECT_EQ(part->GetPixels(2, 0), 0u);  // past the right edge
  EXPECT_EQ(b->Clone(Variant(u"x"))->GetWidth(), 4);  // not a Rect object: the whole bitmap
  EXPECT_TRUE(b->Clone(Obj(TRectangle::Make({1000, 1000, 1000, 1005}).get()))->IsEmpty());
}

TEST(Bitmap, TurnsAndFlipsMoveEveryPixel) {
  // Larger than one 64-pixel tile, so the tiled copy's edges are crossed.
  const int32_t w = 130, h = 70;
  Ref<TBitmap> right = Numbered(w, h);
  right->RotateRight();
  ASSERT_EQ(right->GetWidth(), h);
  ASSERT_EQ(right->GetHeight(), w);
  Ref<TBitmap> left = Numbered(w, h);
  left->RotateLeft();
  ASSERT_EQ(left->GetWidth(), h);
  Ref<TBitmap> horz = Numbered(w, h);
  horz->FlipHorz();
  Ref<TBitmap> vert = Numbered(w, h);
  vert->FlipVert();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      ASSERT_EQ(right->GetPixels(h - 1 - y, x), N(x, y));  // clockwise: (x, y) to (H - 1 - y, x)
      ASSERT_EQ(left->GetPixels(y, w - 1 - x), N(x, y));   // anticlockwise: (x, y) to (y, W - 1 - x)
      ASSERT_EQ(horz->GetPixels(w - 1 - x, y), N(x, y));
      ASSERT_EQ(vert->GetPixels(x, h - 1 - y), N(x, y));
    }
  Ref<TBitmap> empty = MakeRef<TBitmap>();
  empty->RotateLeft();
  empty->FlipVert();
  EXPECT_TRUE(empty->IsEmpty());
}

std::string TempName(const std::string& name) {
  static const std::string dir = [] {
    char pattern[] = "/tmp/ulka-bitmap-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  return dir + "/" + name;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Bitmap, SaveChoosesTheFormatByExtension) {
  Ref<TBitmap> b = Numbered(5, 4);
  const std::string png = TempName("sub/dir/a.png"), jpg = TempName("b.JPG"), jpeg = TempName("c.jpeg");
  b->Save(Wide(png), 95);
  b->Save(Wide(jpg), 0);
  b->Save(Wide(jpeg), 95);
  b->Save(Wide(TempName("noextension")), 95);
  const Bytes pngBytes = FileBytes(png), jpgBytes = FileBytes(jpg);
  ASSERT_GT(pngBytes.size(), 8u);
  EXPECT_EQ(pngBytes[1], 'P');  // missing folders were made
  EXPECT_EQ(Variant::FromBytes(pngBytes).ByteSpan().size(), b->PNG().ByteSpan().size());
  EXPECT_EQ(jpgBytes, VarToBytes(b->JPEG(85)));  // ".JPG" is JPEG; quality 0 means 85
  EXPECT_FALSE(std::filesystem::exists(jpeg));
  EXPECT_FALSE(std::filesystem::exists(TempName("noextension")));
  // An empty bitmap cannot be encoded: the file already there is left as it was.
  MakeRef<TBitmap>()->Save(Wide(png), 95);
  EXPECT_EQ(FileBytes(png), pngBytes);
  EXPECT_TRUE(MakeRef<TBitmap>()->PNG().IsEmpty());
  EXPECT_TRUE(MakeRef<TBitmap>()->JPEG(80).IsEmpty());
}

TEST(Bitmap, OpenFromBytesFilesAndNothingElse) {
  Ref<TBitmap> b = Numbered(3, 2);
  const Variant png = b->PNG();
  Ref<TBitmap> c = MakeRef<TBitmap>();
  EXPECT_TRUE(c->Open(png));
  EXPECT_EQ(c->GetPixels(2, 1), N(2, 1));
  const std::string file = TempName("open.png");
  b->Save(Wide(file), 95);
  Ref<TBitmap> d = Make(1, 1);
  EXPECT_TRUE(d->Open(Variant(Wide(file))));
  EXPECT_EQ(d->GetWidth(), 3);
  for (const Variant& bad : {Variant(Wide(TempName("missing.png"))), Variant(u"/tmp"), Variant(int32_t{5}),
                             Variant(), Variant::Null(), Variant::Missing()}) {
    EXPECT_FALSE(d->Open(bad));
  }
  EXPECT_EQ(d->GetWidth(), 3);  // a failed Open leaves the bitmap
  EXPECT_EQ(d->GetPixels(1, 1), N(1, 1));
}

// Script threads may share bitmaps: members serialise on each object's lock, and two bitmaps drawn
// onto each other at once take both locks without deadlock.
TEST(Bitmap, ThreadsShareBitmapsSafely) {
  Ref<TBitmap> a = Numbered(64, 64), b = Numbered(64, 64);
  const Variant png = a->PNG();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Ref<TBitmap> decoded = MakeRef<TBitmap>();
      for (int i = 0; i < 50; ++i) {
        Ref<TBitmap> from = t % 2 ? a : b, to = t % 2 ? b : a;
        to->Draw(from.get(), TRectangle::Make({0, 0, 32, 32}).get(), Variant::Missing(), 128, static_cast<uint8_t>(i % 7));
        to->Fill(0xFF00FF00u, Obj(TRectangle::Make({i, i, i + 3, i + 3}).get()));
        from->SetPixels(i, t, 0xFF000000u | uint32_t(i));
        EXPECT_TRUE(decoded->Open(png));
        EXPECT_EQ(decoded->GetPixels(63, 63), N(63, 63));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(a->GetWidth(), 64);
  EXPECT_EQ(a->GetPixels(60, 5), N(60, 5));  // outside everything the threads touched
  EXPECT_EQ(b->GetPixels(60, 5), N(60, 5));
}

}  // namespace
}  // namespace ulka
