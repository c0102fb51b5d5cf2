// The X screen: its monitors, the pointer, synthetic mouse input through XTest, and its pixels.
// Coordinates are those of the root window. Main thread only, with the platform ready.
#pragma once

#include <cstdint>
#include <string>

#include "automation/Rects.h"

namespace ulka {

struct MonitorLayout {
  TRect primary;  // the primary monitor
  TRect desktop;  // the smallest rectangle holding every monitor
};

// Empty when the display is not an X11 one (the members below need X11); otherwise what is missing.
std::string ScreenDeviceProblem();

MonitorLayout ScreenMonitors();

struct PointerPosition {
  int32_t x = 0;
  int32_t y = 0;
};
PointerPosition ScreenPointer();

// Moves the pointer as a real mouse would, so the windows under it see the motion.
void MovePointer(int32_t x, int32_t y);

enum class MouseButton { Left = 1, Middle = 2, Right = 3 };
// One press or release at the pointer's place.
void SendMouseButton(MouseButton button, bool press);

// The pixels of `area` as 0xAARRGGBB with alpha 255, row after row, into `out`
// (area width x height); pixels outside the screen are left as they are. False when the server
// refused to give them.
bool ReadScreenPixels(const TRect& area, uint32_t* out);

}  // namespace ulka
