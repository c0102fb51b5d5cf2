// The rectangle object: four integer edges, the left and top inside, the right and bottom just
// outside. Setters change the object and return it; operations return a new Rect.
#pragma once

#include "automation/Rects.h"
#include "automation/VekObject.h"

namespace ulka {

class TRectangle : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TRectangle() : TVekObject(Info()) {}
  explicit TRectangle(const TRect& rect) : TVekObject(Info()), FRect(rect) {}

  // The Rect object behind an argument declared as a rectangle; fails with an invalid type cast
  // for anything else.
  static TRectangle& Cast(IDispatch* value);
  static Ref<TRectangle> Make(const TRect& rect) { return MakeRef<TRectangle>(rect); }

  Ref<TRectangle> SetRect(int32_t X, int32_t Y, int32_t Width, int32_t Height);
  Ref<TRectangle> SetBounds(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);
  Ref<TRectangle> SetSize(int32_t Width, int32_t Height);
  Ref<TRectangle> Inflate(int32_t DX, int32_t DY);
  Ref<TRectangle> Offset(int32_t DX, int32_t DY);
  Ref<TRectangle> MoveTo(int32_t X, int32_t Y);
  Ref<TRectangle> Center(const Variant& Param1, const Variant& Param2);
  Ref<TRectangle> Clone();
  Ref<TRectangle> Fit(IDispatch* Bounds);
  Ref<TRectangle> Expand(IDispatch* Rect);
  Ref<TRectangle> Intersect(IDispatch* Rect);
  Ref<TRectangle> Union(IDispatch* Rect);
  bool Contains(int32_t X, int32_t Y);
  bool IsEqual(IDispatch* Rect);
  bool IsEmpty();
  Ref<TRectangle> Scale(IDispatch* SrcBounds, IDispatch* DestBounds);

  int32_t GetLeft() { return FRect.Left; }
  void SetLeft(int32_t Value) { FRect.Left = Value; }
  int32_t GetTop() { return FRect.Top; }
  void SetTop(int32_t Value) { FRect.Top = Value; }
  int32_t GetRight() { return FRect.Right; }
  void SetRight(int32_t Value) { FRect.Right = Value; }
  int32_t GetBottom() { return FRect.Bottom; }
  void SetBottom(int32_t Value) { FRect.Bottom = Value; }
  int32_t GetWidth() { return FRect.Width(); }
  void SetWidth(int32_t Value) { FRect.Right = FRect.Left + Value; }
  int32_t GetHeight() { return FRect.Height(); }
  void SetHeight(int32_t Value) { FRect.Bottom = FRect.Top + Value; }
  int32_t GetCenterX();
  void SetCenterX(int32_t Value);
  int32_t GetCenterY();
  void SetCenterY(int32_t Value);

  TRect FRect;
};

}  // namespace ulka
