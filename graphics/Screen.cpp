#include "graphics/Screen.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>

#include "automation/Messages.h"
#include "graphics/DisplayCall.h"
#include "graphics/Rect.h"
#include "platform/ScreenDevice.h"

namespace ulka {

const InterfaceInfo& TScreen::Info() {
  using T = TScreen;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IScreen", "{4F0F0922-44BB-48DD-A009-372554D07111}")
          .Getter(201, "Bounds", &T::GetBounds).Returns("IRectangle")
          .Getter(202, "MouseX", &T::GetMouseX)
          .Getter(203, "MouseY", &T::GetMouseY)
          .Method(204, "MouseMove", &T::MouseMove, {Arg("X"), Arg("Y")})
          .Method(205, "MouseDown", &T::MouseDown, {Opt("Button", int32_t{0})})
          .Method(206, "MouseUp", &T::MouseUp, {Opt("Button", int32_t{0})})
          .Method(207, "MouseClick", &T::MouseClick, {Opt("Button", int32_t{0})})
          .Getter(208, "DesktopRect", &T::GetDesktopRect).Returns("IRectangle")
          .Method(209, "Screenshot", &T::Screenshot, {Opt("Rect")})
          .Build();
  return info;
}

namespace {

// Runs `call` on the main thread once the display is known to offer what the members need.
template <class Call>
auto OnScreen(Call call) {
  return OnDisplay([&] {
    if (std::string problem = ScreenDeviceProblem(); !problem.empty()) {
      char text[256];
      std::snprintf(text, sizeof text, msg::kScreenUnusable, problem.c_str());
      Fail(text);
    }
    return call();
  });
}

// Root-window coordinates relative to the primary monitor's corner.
TRect ToScreen(const TRect& root, const MonitorLayout& layout) {
  const int32_t dx = layout.primary.Left, dy = layout.primary.Top;
  return {root.Left - dx, root.Top - dy, root.Right - dx, root.Bottom - dy};
}

// And back, for an area a script gave: nothing when it lies beyond any root window.
std::optional<TRect> ToRoot(const TRect& area, const MonitorLayout& layout) {
  const int64_t dx = layout.primary.Left, dy = layout.primary.Top;
  const int64_t edges[] = {area.Left + dx, area.Top + dy, area.Right + dx, area.Bottom + dy};
  for (int64_t edge : edges)
    if (edge < INT32_MIN || edge > INT32_MAX) return std::nullopt;
  return TRect{static_cast<int32_t>(edges[0]), static_cast<int32_t>(edges[1]), static_cast<int32_t>(edges[2]),
               static_cast<int32_t>(edges[3])};
}

MouseButton ButtonOf(int32_t code) {
  switch (code) {
    case 1: return MouseButton::Middle;
    case 2: return MouseButton::Right;
    default: return MouseButton::Left;  // 0, and any other value
  }
}

}  // namespace

TRect TScreen::PrimaryRect() {
  return OnScreen([] {
    const MonitorLayout layout = ScreenMonitors();
    return ToScreen(layout.primary, layout);
  });
}

Ref<IDispatch> TScreen::GetBounds() { return TRectangle::Make(PrimaryRect()); }

int32_t TScreen::GetMouseX() {
  return OnScreen([] { return ScreenPointer().x - ScreenMonitors().primary.Left; });
}

int32_t TScreen::GetMouseY() {
  return OnScreen([] { return ScreenPointer().y - ScreenMonitors().primary.Top; });
}

void TScreen::MouseMove(int32_t X, int32_t Y) {
  OnScreen([&] {
    const TRect primary = ScreenMonitors().primary;
    auto root = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    MovePointer(root(int64_t{X} + primary.Left), root(int64_t{Y} + primary.Top));
  });
}

void TScreen::MouseDown(int32_t Button) {
  OnScreen([&] { SendMouseButton(ButtonOf(Button), true); });
}

void TScreen::MouseUp(int32_t Button) {
  OnScreen([&] { SendMouseButton(ButtonOf(Button), false); });
}

void TScreen::MouseClick(int32_t Button) {
  OnScreen([&] {
    SendMouseButton(ButtonOf(Button), true);
    SendMouseButton(ButtonOf(Button), false);
  });
}

Ref<IDispatch> TScreen::GetDesktopRect() {
  return TRectangle::Make(OnScreen([] {
    const MonitorLayout layout = ScreenMonitors();
    return ToScreen(layout.desktop, layout);
  }));
}

Ref<TBitmap> TScreen::Screenshot(const Variant& Rect) {
  std::optional<TRect> area;
  if (!Rect.IsMissing() && !Rect.IsEmpty()) area = TRectangle::Cast(Rect.IsObject() ? Rect.Dispatch() : nullptr).FRect;
  Ref<TBitmap> shot = MakeRef<TBitmap>();
  TVekBitmap& pixels = shot->Bitmap();
  OnScreen([&] {
    const MonitorLayout layout = ScreenMonitors();
    const TRect wanted = area.value_or(ToScreen(layout.primary, layout));
    // Parts off the screen stay transparent.
    pixels.SetSize(int64_t{wanted.Right} - wanted.Left, int64_t{wanted.Bottom} - wanted.Top);
    const std::optional<TRect> root = ToRoot(wanted, layout);
    if (pixels.Empty() || !root) return;
    if (!ReadScreenPixels(*root, pixels.Bits())) Fail(msg::kScreenCaptureFailed);
  });
  return shot;
}

}  // namespace ulka
