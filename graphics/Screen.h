// The screen object: the screen's size, the pointer, synthetic mouse input and screenshots. It
// keeps nothing: each member asks the display at the moment of the call, on the main thread
// whichever thread calls it. Without a display every member fails with a clear message.
//
// Coordinates count from the primary monitor's top-left corner, so monitors to its left or above
// it have negative coordinates.
#pragma once

#include "automation/VekObject.h"
#include "graphics/Bitmap.h"

namespace ulka {

class TScreen : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TScreen() : TVekObject(Info()) {}

  // The primary monitor as (0, 0, width, height): Bounds and Rtl.GetScreenRect.
  static TRect PrimaryRect();

  Ref<IDispatch> GetBounds();
  int32_t GetMouseX();
  int32_t GetMouseY();
  void MouseMove(int32_t X, int32_t Y);
  void MouseDown(int32_t Button);
  void MouseUp(int32_t Button);
  void MouseClick(int32_t Button);
  Ref<IDispatch> GetDesktopRect();
  Ref<TBitmap> Screenshot(const Variant& Rect);
};

}  // namespace ulka
