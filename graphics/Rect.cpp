#include "graphics/Rect.h"

#include <algorithm>
#include <cmath>

#include "automation/Messages.h"

namespace ulka {

const InterfaceInfo& TRectangle::Info() {
  using T = TRectangle;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IRectangle", "{452879EB-B9ED-4252-BF37-2F6AEE735B01}", "Dispatch interface for Rect Object")
          .Method(200, "SetRect", &T::SetRect, {Arg("X"), Arg("Y"), Arg("Width"), Arg("Height")})
          .Method(201, "SetBounds", &T::SetBounds, {Arg("Left"), Arg("Top"), Arg("Right"), Arg("Bottom")})
          .Method(202, "SetSize", &T::SetSize, {Arg("Width"), Arg("Height")})
          .Method(203, "Inflate", &T::Inflate, {Arg("DX"), Arg("DY")})
          .Method(204, "Offset", &T::Offset, {Arg("DX"), Arg("DY")})
          .Method(205, "MoveTo", &T::MoveTo, {Arg("X"), Arg("Y")})
          .Method(206, "Center", &T::Center, {Arg("Param1"), Opt("Param2")})
          .Method(207, "Clone", &T::Clone)
          .Method(208, "Fit", &T::Fit, {Arg("Bounds")})
          .Method(209, "Expand", &T::Expand, {Arg("Rect")})
          .Method(210, "Intersect", &T::Intersect, {Arg("Rect")})
          .Method(211, "Union", &T::Union, {Arg("Rect")})
          .Method(212, "Contains", &T::Contains, {Arg("X"), Arg("Y")})
          .Method(213, "IsEqual", &T::IsEqual, {Arg("Rect")})
          .Method(214, "IsEmpty", &T::IsEmpty)
          .Property(215, "Left", &T::GetLeft, &T::SetLeft)
          .Property(216, "Top", &T::GetTop, &T::SetTop)
          .Property(217, "Right", &T::GetRight, &T::SetRight)
          .Property(218, "Bottom", &T::GetBottom, &T::SetBottom)
          .Property(219, "Width", &T::GetWidth, &T::SetWidth)
          .Property(220, "Height", &T::GetHeight, &T::SetHeight)
          .Property(221, "CenterX", &T::GetCenterX, &T::SetCenterX)
          .Property(222, "CenterY", &T::GetCenterY, &T::SetCenterY)
          .Method(223, "Scale", &T::Scale, {Arg("SrcBounds"), Arg("DestBounds")})
          .Build();
  return info;
}

namespace {

bool Empty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

TRect Moved(TRect r, int32_t dx, int32_t dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
  return r;
}

int32_t Mid(int32_t a, int32_t b) { return static_cast<int32_t>((int64_t{a} + b) / 2); }

int32_t ToInt(const Variant& value) {
  Variant v;
  HRESULT hr = ChangeType(value, VT_I4, v);
  if (Failed(hr)) FailCode(hr, msg::kTypeMismatch);
  return static_cast<int32_t>(v.Int());
}

}  // namespace

TRectangle& TRectangle::Cast(IDispatch* value) {
  auto* rect = dynamic_cast<TRectangle*>(value);
  if (!rect) Fail(msg::kInvalidTypeCast);
  return *rect;
}

Ref<TRectangle> TRectangle::SetRect(int32_t X, int32_t Y, int32_t Width, int32_t Height) {
  FRect = {X, Y, X + Width, Y + Height};
  return this;
}

Ref<TRectangle> TRectangle::SetBounds(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  FRect = {Left, Top, Right, Bottom};
  return this;
}

Ref<TRectangle> TRectangle::SetSize(int32_t Width, int32_t Height) {
  FRect.Right = FRect.Left + Width;
  FRect.Bottom = FRect.Top + Height;
  return this;
}

Ref<TRectangle> TRectangle::Inflate(int32_t DX, int32_t DY) {
  return Make({FRect.Left - DX, FRect.Top - DY, FRect.Right + DX, FRect.Bottom + DY});
}

Ref<TRectangle> TRectangle::Offset(int32_t DX, int32_t DY) { return Make(Moved(FRect, DX, DY)); }

Ref<TRectangle> TRectangle::MoveTo(int32_t X, int32_t Y) {
  return Make(Moved(FRect, X - FRect.Left, Y - FRect.Top));
}

Ref<TRectangle> TRectangle::Center(const Variant& Param1, const Variant& Param2) {
  int32_t tx, ty;
  if (auto* target = VarToObject<TRectangle>(Param1)) {
    tx = Mid(target->FRect.Left, target->FRect.Right);
    ty = Mid(target->FRect.Top, target->FRect.Bottom);
  } else {
    tx = ToInt(Param1);
    ty = ToInt(Param2);
  }
  return Make(Moved(FRect, tx - Mid(FRect.Left, FRect.Right), ty - Mid(FRect.Top, FRect.Bottom)));
}

Ref<TRectangle> TRectangle::Clone() { return Make(FRect); }

Ref<TRectangle> TRectangle::Fit(IDispatch* Bounds) { return Make(FitRect(FRect, Cast(Bounds).FRect)); }

Ref<TRectangle> TRectangle::Expand(IDispatch* Rect) { return Make(CoverRect(FRect, Cast(Rect).FRect)); }

Ref<TRectangle> TRectangle::Intersect(IDispatch* Rect) {
  const TRect& o = Cast(Rect).FRect;
  TRect r{std::max(FRect.Left, o.Left), std::max(FRect.Top, o.Top), std::min(FRect.Right, o.Right),
          std::min(FRect.Bottom, o.Bottom)};
  return Make(Empty(r) ? TRect{} : r);
}

Ref<TRectangle> TRectangle::Union(IDispatch* Rect) {
  const TRect& o = Cast(Rect).FRect;
  if (Empty(FRect)) return Make(Empty(o) ? TRect{} : o);
  if (Empty(o)) return Make(FRect);
  return Make({std::min(FRect.Left, o.Left), std::min(FRect.Top, o.Top), std::max(FRect.Right, o.Right),
               std::max(FRect.Bottom, o.Bottom)});
}

bool TRectangle::Contains(int32_t X, int32_t Y) {
  return FRect.Left <= X && X < FRect.Right && FRect.Top <= Y && Y < FRect.Bottom;
}

bool TRectangle::IsEqual(IDispatch* Rect) { return FRect == Cast(Rect).FRect; }

bool TRectangle::IsEmpty() { return Empty(FRect); }

Ref<TRectangle> TRectangle::Scale(IDispatch* SrcBounds, IDispatch* DestBounds) {
  const TRect& src = Cast(SrcBounds).FRect;
  const TRect& dest = Cast(DestBounds).FRect;
  if (src.Width() == 0 || src.Height() == 0) Fail(msg::kFloatDivisionByZero);
  const double sx = double(dest.Width()) / src.Width();
  const double sy = double(dest.Height()) / src.Height();
  auto scaled = [](int32_t v, double s, int32_t origin) {
    return static_cast<int32_t>(std::floor(v * s)) + origin;
  };
  return Make({scaled(FRect.Left, sx, dest.Left), scaled(FRect.Top, sy, dest.Top),
               scaled(FRect.Right, sx, dest.Left), scaled(FRect.Bottom, sy, dest.Top)});
}

int32_t TRectangle::GetCenterX() { return Mid(FRect.Left, FRect.Right); }

void TRectangle::SetCenterX(int32_t Value) { FRect = Moved(FRect, Value - GetCenterX(), 0); }

int32_t TRectangle::GetCenterY() { return Mid(FRect.Top, FRect.Bottom); }

void TRectangle::SetCenterY(int32_t Value) { FRect = Moved(FRect, 0, Value - GetCenterY()); }

}  // namespace ulka
