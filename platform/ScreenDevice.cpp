#include "platform/ScreenDevice.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdk.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace ulka {
namespace {

Display* XDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

Window Root() { return DefaultRootWindow(XDisplay()); }

TRect Union(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

TRect RootRect() {
  XWindowAttributes attributes{};
  XGetWindowAttributes(XDisplay(), Root(), &attributes);
  return {0, 0, attributes.width, attributes.height};
}

// RandR 1.5 lists every monitor, also those made with `xrandr --setmonitor` that have no output of
// their own (GDK skips them).
bool RandrMonitors(MonitorLayout& layout) {
  int major = 0, minor = 0;
  if (!XRRQueryVersion(XDisplay(), &major, &minor) || major * 100 + minor < 105) return false;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(XDisplay(), Root(), True, &count);
  if (!monitors) return false;
  std::unique_ptr<XRRMonitorInfo, decltype(&XRRFreeMonitors)> owned(monitors, XRRFreeMonitors);
  if (count <= 0) return false;
  const XRRMonitorInfo* primary = &monitors[0];
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    const TRect rect{m.x, m.y, m.x + m.width, m.y + m.height};
    layout.desktop = i == 0 ? rect : Union(layout.desktop, rect);
    if (m.primary) primary = &m;
  }
  layout.primary = {primary->x, primary->y, primary->x + primary->width, primary->y + primary->height};
  return true;
}

// Older servers: the monitors GDK knows (RandR 1.2 outputs or Xinerama heads).
bool GdkMonitors(MonitorLayout& layout) {
  GdkDisplay* display = gdk_display_get_default();
  const int count = gdk_display_get_n_monitors(display);
  if (count <= 0) return false;
  GdkMonitor* primary = gdk_display_get_primary_monitor(display);
  if (!primary) primary = gdk_display_get_monitor(display, 0);
  for (int i = 0; i < count; ++i) {
    GdkRectangle g;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &g);
    const TRect rect{g.x, g.y, g.x + g.width, g.y + g.height};
    layout.desktop = i == 0 ? rect : Union(layout.desktop, rect);
  }
  GdkRectangle g;
  gdk_monitor_get_geometry(primary, &g);
  layout.primary = {g.x, g.y, g.x + g.width, g.y + g.height};
  return true;
}

struct ImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

// The usual layout of a 24- or 32-bit screen on a little-endian machine: B, G, R, X in memory.
bool DirectLayout(const XImage& image) {
  return image.bits_per_pixel == 32 && image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 &&
         image.blue_mask == 0xFF && image.byte_order == LSBFirst;
}

int Shift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// Any other visual: each pixel through XGetPixel and the visual's masks.
uint32_t ToArgb(const XImage& image, unsigned long pixel) {
  auto channel = [&](unsigned long mask) -> uint32_t {
    if (!mask) return 0;
    const unsigned long value = (pixel & mask) >> Shift(mask);
    const unsigned long max = mask >> Shift(mask);
    return static_cast<uint32_t>((value * 255 + max / 2) / max);
  };
  return 0xFF000000u | channel(image.red_mask) << 16 | channel(image.green_mask) << 8 | channel(image.blue_mask);
}

}  // namespace

std::string ScreenDeviceProblem() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return "there is no display";
  if (!GDK_IS_X11_DISPLAY(display)) return "the display is not an X11 display";
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(XDisplay(), &event, &error, &major, &minor)) return "the X server has no XTEST extension";
  return {};
}

MonitorLayout ScreenMonitors() {
  MonitorLayout layout;
  if (!RandrMonitors(layout) && !GdkMonitors(layout)) layout.primary = layout.desktop = RootRect();
  return layout;
}

PointerPosition ScreenPointer() {
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  XQueryPointer(XDisplay(), Root(), &root, &child, &rootX, &rootY, &x, &y, &mask);
  return {rootX, rootY};
}

void MovePointer(int32_t x, int32_t y) {
  XTestFakeMotionEvent(XDisplay(), -1, x, y, CurrentTime);
  XSync(XDisplay(), False);  // the server has moved it when this returns
}

void SendMouseButton(MouseButton button, bool press) {
  XTestFakeButtonEvent(XDisplay(), static_cast<unsigned int>(button), press ? True : False, CurrentTime);
  XSync(XDisplay(), False);
}

bool ReadScreenPixels(const TRect& area, uint32_t* out) {
  const TRect root = RootRect();
  const TRect part{std::max(area.Left, root.Left), std::max(area.Top, root.Top), std::min(area.Right, root.Right),
                   std::min(area.Bottom, root.Bottom)};
  if (part.Left >= part.Right || part.Top >= part.Bottom) return true;  // nothing of it is on the screen
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  std::unique_ptr<XImage, ImageDeleter> image(XGetImage(XDisplay(), Root(), part.Left, part.Top,
                                                        static_cast<unsigned>(part.Width()),
                                                        static_cast<unsigned>(part.Height()), AllPlanes, ZPixmap));
  const bool failed = gdk_x11_display_error_trap_pop(display) != 0;
  if (failed || !image) return false;
  const size_t width = static_cast<size_t>(area.Width());
  for (int y = 0; y < part.Height(); ++y) {
    uint32_t* row = out + static_cast<size_t>(part.Top - area.Top + y) * width + (part.Left - area.Left);
    if (DirectLayout(*image)) {
      const auto* in = reinterpret_cast<const uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line);
      for (int x = 0; x < part.Width(); ++x) row[x] = in[x] | 0xFF000000u;
    } else {
      for (int x = 0; x < part.Width(); ++x) row[x] = ToArgb(*image, XGetPixel(image.get(), x, y));
    }
  }
  return true;
}

}  // namespace ulka
