#include "graphics/Bitmap.h"

#include "automation/ByteConvert.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "graphics/BitmapClipboard.h"
#include "graphics/ImageCodec.h"
#include "graphics/Rect.h"

namespace ulka {

const InterfaceInfo& TBitmap::Info() {
  using T = TBitmap;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IBitmap", "{3FA5DABB-26CE-4EF3-8098-882CE3F2E0D8}", "Dispatch interface for Bitmap Object")
          .Method(201, "Open", &T::Open, {Arg("Source")})
          .Method(202, "Save", &T::Save, {Arg("FileName"), Opt("Quality", int32_t{95})})
          .Method(203, "Clone", &T::Clone, {Opt("Rect")})
          .Method(204, "RotateLeft", &T::RotateLeft)
          .Method(205, "RotateRight", &T::RotateRight)
          .Method(207, "FlipHorz", &T::FlipHorz)
          .Method(208, "FlipVert", &T::FlipVert)
          .Method(209, "PNG", &T::PNG).ReturnsBytes()
          .Method(210, "JPEG", &T::JPEG, {Opt("Quality", int32_t{80})}).ReturnsBytes()
          .Method(211, "Draw", &T::Draw,
                  {Arg("SrcBitmap"), Arg("DestRect"), Opt("SrcRect"), Opt("Alpha", uint8_t{255}),
                   Opt("StretchFilter", uint8_t{sfLanczos})})
          .Method(212, "SetSize", &T::SetSize, {Arg("Param1"), Opt("Param2", int32_t{0})})
          .Property(213, "Width", &T::GetWidth, &T::SetWidth)
          .Property(214, "Height", &T::GetHeight, &T::SetHeight)
          .Getter(215, "Bounds", &T::GetBounds).Returns("IRectangle")
          .Method(216, "Fill", &T::Fill, {Opt("Color", uint32_t{0}), Opt("Rect")})
          .Method(218, "IsEmpty", &T::IsEmpty)
          .Property(0, "Pixels", &T::GetPixels, &T::SetPixels, {Arg("X"), Arg("Y")})
          .Getter(219, "CanPaste", &T::GetCanPaste)
          .Method(220, "Paste", &T::Paste)
          .Method(221, "Copy", &T::Copy)
          .Build();
  return info;
}

namespace {

// An optional Rect argument: the rectangle when the value is a Rect object, else nothing.
const TRect* RectOf(const Variant& value) {
  const TRectangle* rect = VarToObject<TRectangle>(value);
  return rect ? &rect->FRect : nullptr;
}

bool Omitted(const Variant& value) { return value.IsMissing() || value.IsEmpty(); }

// The extension of the file name's last part, lower-cased (".JPG" gives ".jpg").
WideString LowerExtension(const WideString& fileName) {
  const size_t slash = fileName.rfind(u'/');
  const size_t dot = fileName.rfind(u'.');
  if (dot == WideString::npos || (slash != WideString::npos && dot < slash)) return {};
  return LowerCase(std::u16string_view(fileName).substr(dot));
}

int32_t ToInt(const Variant& value) {
  Variant converted;
  HRESULT hr = ChangeType(value, VT_I4, converted);
  if (Failed(hr)) FailCode(hr, msg::kTypeMismatch);
  return static_cast<int32_t>(converted.Int());
}

}  // namespace

TBitmap& TBitmap::Cast(IDispatch* value) {
  auto* bitmap = dynamic_cast<TBitmap*>(value);
  if (!bitmap) Fail(msg::kInvalidTypeCast);
  return *bitmap;
}

bool TBitmap::Open(const Variant& Source) {
  Bytes file;
  std::span<const uint8_t> data;
  if (Source.IsByteArray()) {
    data = Source.ByteSpan();
  } else if (Source.IsArray()) {
    file = VarToBytes(Source);
    data = file;
  } else if (Source.IsText()) {
    try {
      if (!ReadFileBytes(Source.Text(), file)) return false;
    } catch (const EVekError&) {  // a folder, a device, no permission: not an image either
      return false;
    }
    data = file;
  } else {
    return false;
  }
  std::lock_guard lock(FLock);
  return DecodeImage(data, FBitmap);
}

void TBitmap::Save(const WideString& FileName, int32_t Quality) {
  const WideString extension = LowerExtension(FileName);
  Bytes encoded;
  {
    std::lock_guard lock(FLock);
    if (extension == u".jpg") encoded = EncodeJpeg(FBitmap, Quality);
    else if (extension == u".png") encoded = EncodePng(FBitmap);
    else return;
  }
  // A failed encoding leaves an existing file as it was rather than emptying it.
  if (!encoded.empty()) WriteFileBytes(FileName, encoded);
}

Ref<TBitmap> TBitmap::Clone(const Variant& Rect) {
  Ref<TBitmap> clone = MakeRef<TBitmap>();
  std::lock_guard lock(FLock);
  const TRect* rect = RectOf(Rect);
  clone->FBitmap = FBitmap.Copy(rect ? *rect : FBitmap.BoundsRect());
  return clone;
}

void TBitmap::RotateLeft() {
  std::lock_guard lock(FLock);
  FBitmap.RotateLeft();
}

void TBitmap::RotateRight() {
  std::lock_guard lock(FLock);
  FBitmap.RotateRight();
}

void TBitmap::FlipHorz() {
  std::lock_guard lock(FLock);
  FBitmap.FlipHorz();
}

void TBitmap::FlipVert() {
  std::lock_guard lock(FLock);
  FBitmap.FlipVert();
}

Variant TBitmap::PNG() {
  std::lock_guard lock(FLock);
  return BytesToVar(EncodePng(FBitmap));
}

Variant TBitmap::JPEG(int32_t Quality) {
  std::lock_guard lock(FLock);
  return BytesToVar(EncodeJpeg(FBitmap, Quality));
}

void TBitmap::Draw(IDispatch* SrcBitmap, IDispatch* DestRect, const Variant& SrcRect, uint8_t Alpha,
                   uint8_t StretchFilter) {
  TBitmap& source = Cast(SrcBitmap);
  const TRect dest = TRectangle::Cast(DestRect).FRect;
  std::optional<TRect> part;
  if (!Omitted(SrcRect)) part = TRectangle::Cast(SrcRect.IsObject() ? SrcRect.Dispatch() : nullptr).FRect;
  auto draw = [&] {
    source.FBitmap.SetStretchFilter(StretchFilter);  // the filter stays with the source
    FBitmap.Draw(source.FBitmap, dest, part.value_or(source.FBitmap.BoundsRect()), Alpha);
  };
  if (&source == this) {
    std::lock_guard lock(FLock);
    draw();
  } else {
    std::scoped_lock lock(FLock, source.FLock);
    draw();
  }
}

void TBitmap::SetSize(const Variant& Param1, int32_t Param2) {
  int64_t width, height;
  if (const TRect* rect = RectOf(Param1)) {
    width = int64_t{rect->Right} - rect->Left;
    height = int64_t{rect->Bottom} - rect->Top;
  } else if (TBitmap* other = VarToObject<TBitmap>(Param1)) {
    if (other == this) {
      std::lock_guard lock(FLock);
      return FBitmap.SetSize(FBitmap.Width(), FBitmap.Height());
    }
    std::lock_guard lock(other->FLock);
    width = other->FBitmap.Width();
    height = other->FBitmap.Height();
  } else {
    width = ToInt(Param1);
    height = Param2 > 0 ? Param2 : width;
  }
  std::lock_guard lock(FLock);
  FBitmap.SetSize(width, height);
}

int32_t TBitmap::GetWidth() {
  std::lock_guard lock(FLock);
  return FBitmap.Width();
}

void TBitmap::SetWidth(int32_t Value) {
  std::lock_guard lock(FLock);
  FBitmap.SetSize(Value, FBitmap.Height());
}

int32_t TBitmap::GetHeight() {
  std::lock_guard lock(FLock);
  return FBitmap.Height();
}

void TBitmap::SetHeight(int32_t Value) {
  std::lock_guard lock(FLock);
  FBitmap.SetSize(FBitmap.Width(), Value);
}

Ref<IDispatch> TBitmap::GetBounds() {
  std::lock_guard lock(FLock);
  return TRectangle::Make(FBitmap.BoundsRect());
}

void TBitmap::Fill(uint32_t Color, const Variant& Rect) {
  const TRect* rect = RectOf(Rect);
  std::lock_guard lock(FLock);
  if (rect) FBitmap.FillRect(*rect, Color);
  else FBitmap.Fill(Color);
}

bool TBitmap::IsEmpty() {
  std::lock_guard lock(FLock);
  return FBitmap.Empty();
}

uint32_t TBitmap::GetPixels(int32_t X, int32_t Y) {
  std::lock_guard lock(FLock);
  return FBitmap.Pixel(X, Y);
}

void TBitmap::SetPixels(int32_t X, int32_t Y, uint32_t Value) {
  std::lock_guard lock(FLock);
  FBitmap.SetPixel(X, Y, Value);
}

bool TBitmap::GetCanPaste() { return CanPasteBitmap(); }

bool TBitmap::Paste() {
  TVekBitmap pasted;
  if (!PasteBitmap(pasted)) return false;
  std::lock_guard lock(FLock);
  pasted.SetStretchFilter(FBitmap.StretchFilter());
  FBitmap = std::move(pasted);
  return true;
}

void TBitmap::Copy() {
  ClipboardPicture picture;
  {
    std::lock_guard lock(FLock);  // not held while the main thread works: it may call this bitmap too
    picture = PictureOf(FBitmap);
  }
  CopyPicture(std::move(picture));
}

}  // namespace ulka
