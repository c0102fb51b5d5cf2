#include "web/PageSnapshot.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "platform/GObjectPtr.h"
#include "platform/MainLoop.h"

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

}  // namespace

void SnapshotPage(WebKitWebView* view, TVekBitmap& bitmap) {
  auto pending = std::make_shared<Pending>();
  webkit_web_view_get_snapshot(view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
                               OnSnapshot, new std::shared_ptr<Pending>(pending));
  if (!RunUntil([&] { return pending->done; }, kSnapshotTimeoutMs)) FailSnapshot("the engine did not answer");
  cairo_surface_t* surface = pending->surface;
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
    FailSnapshot(pending->error.empty() ? "no picture" : pending->error);
  cairo_surface_flush(surface);
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) FailSnapshot("an unexpected pixel format");
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  bitmap.SetSize(width, height);
  // Cairo's 32-bit pixels are 0xAARRGGBB words like the bitmap's; the page is opaque, so its
  // premultiplied colours are plain ones.
  for (int y = 0; y < height; ++y) {
    std::memcpy(bitmap.Row(y), data + static_cast<size_t>(y) * stride, static_cast<size_t>(width) * 4);
  }
  bitmap.MakeOpaque();
}

}  // namespace ulka
