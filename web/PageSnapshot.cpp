#include "web/PageSnapshot.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "platform/GObjectPtr.h"
#include "platform/MainLoop.h"
#include "web/bridge/PageBridge.h"

namespace ulka {
namespace {

constexpr uint32_t kSnapshotTimeoutMs = 20000;

// Shared with the engine's callback, which may come after the wait gave up.
struct Pending {
  bool done = false;
  cairo_surface_t* surface = nullptr;
  std::string error;
  ~Pending() {
    if (surface) cairo_surface_destroy(surface);
  }
};

void OnSnapshot(GObject* view, GAsyncResult* result, gpointer data) {
  std::unique_ptr<std::shared_ptr<Pending>> holder(static_cast<std::shared_ptr<Pending>*>(data));
  Pending& pending = **holder;
  GError* error = nullptr;
  pending.surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(view), result, &error);
  if (error) {
    pending.error = error->message;
    g_error_free(error);
  }
  pending.done = true;
}

[[noreturn]] void FailSnapshot(const std::string& why) {
  char text[512];
  std::snprintf(text, sizeof text, msg::kSnapshotFailed, why.c_str());
  Fail(text);
}

// Cairo's 32-bit pixels are 0xAARRGGBB words like the bitmap's; the page is opaque, so its
// premultiplied colours are plain ones.
void CopySurface(cairo_surface_t* surface, TVekBitmap& bitmap) {
  cairo_surface_flush(surface);
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) FailSnapshot("an unexpected pixel format");
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    std::memcpy(bitmap.Row(y), data + static_cast<size_t>(y) * stride, static_cast<size_t>(width) * 4);
  }
  bitmap.MakeOpaque();
}

// The engine draws the picture in the page's own process.
void EnginePicture(WebKitWebView* view, TVekBitmap& bitmap) {
  auto pending = std::make_shared<Pending>();
  webkit_web_view_get_snapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
                               OnSnapshot, new std::shared_ptr<Pending>(pending));
  if (!RunUntil([&] { return pending->done; }, kSnapshotTimeoutMs)) FailSnapshot("the engine did not answer");
  cairo_surface_t* surface = pending->surface;
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
    FailSnapshot(pending->error.empty() ? "no picture" : pending->error);
  CopySurface(surface, bitmap);
}

// The view as it was last drawn on the screen, without the page's process.
void DrawnPicture(WebKitWebView* view, TVekBitmap& bitmap) {
  if (!gtk_widget_get_mapped(GTK_WIDGET(view))) {
    FailSnapshot("the page waits for this answer and its window is not shown, so it cannot draw");
  }
  GtkAllocation area;
  gtk_widget_get_allocation(GTK_WIDGET(view), &area);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(area.width, 1),
                                                        std::max(area.height, 1));
  cairo_t* context = cairo_create(surface);
  gtk_widget_draw(GTK_WIDGET(view), context);
  cairo_destroy(context);
  CopySurface(surface, bitmap);
  cairo_surface_destroy(surface);
}

}  // namespace

// A page that asked the host for this picture is blocked in its call: its process cannot draw
// until the answer comes, so the picture is the one on the screen.
void SnapshotPage(WebKitWebView* view, TVekBitmap& bitmap) {
  if (PageBridge::Instance().PageAwaitsHost(view)) return DrawnPicture(view, bitmap);
  EnginePicture(view, bitmap);
}

}  // namespace ulka
