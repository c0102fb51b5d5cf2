#include "graphics/PixbufCodec.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "graphics/Blend.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

struct LoadState {
  bool tooLarge = false;
};

// The loader holds the whole picture in a buffer of its own, which is then copied into the bitmap:
// a picture it may decode is half the bitmap limit, so that both together stay within it. Refused
// here, a picture costs nothing: the loader has not made room for it yet.
constexpr int64_t kMaxLoaderPixels = TVekBitmap::kMaxPixels / 2;

bool LoaderSizeAllowed(int64_t width, int64_t height) {
  return TVekBitmap::SizeAllowed(width, height) && width * height <= kMaxLoaderPixels;
}

void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  if (LoaderSizeAllowed(width, height)) return;
  static_cast<LoadState*>(data)->tooLarge = true;
  // A size of 0 tells the loader to stop rather than make room for the picture.
  gdk_pixbuf_loader_set_size(loader, 0, 0);
}

// Feeds the loader in pieces, so that a refused size stops it early.
bool Feed(GdkPixbufLoader* loader, std::span<const uint8_t> data, const LoadState& state) {
  constexpr size_t kPiece = 64 * 1024;
  for (size_t at = 0; at < data.size(); at += kPiece) {
    const size_t count = std::min(kPiece, data.size() - at);
    GError* error = nullptr;
    const bool written = gdk_pixbuf_loader_write(loader, data.data() + at, count, &error);
    if (error) g_error_free(error);
    if (!written || state.tooLarge) return false;
  }
  return true;
}

bool ToBitmap(GdkPixbuf* pixbuf, TVekBitmap& bitmap) {
  const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || (channels != 3 && channels != 4)) return false;
  if (width <= 0 || height <= 0 || !LoaderSizeAllowed(width, height)) return false;
  const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  TVekBitmap decoded;
  decoded.SetSizeForOverwrite(width, height);
  for (int y = 0; y < height; ++y) {
    const guint8* in = pixels + static_cast<size_t>(y) * stride;
    uint32_t* out = decoded.Row(y);
    for (int x = 0; x < width; ++x, in += channels) {
      const uint32_t alpha = channels == 4 ? in[3] : 0xFF;
      out[x] = alpha << 24 | uint32_t{in[0]} << 16 | uint32_t{in[1]} << 8 | in[2];
    }
  }
  bitmap = std::move(decoded);
  return true;
}

// The TIFF loader reads through libtiff's RGBA interface, which premultiplies the colours.
bool PremultipliedFormat(GdkPixbufLoader* loader) {
  GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
  GCharPtr name(format ? gdk_pixbuf_format_get_name(format) : nullptr);
  return name && std::string_view(name.get()) == "tiff";
}

}  // namespace

bool ReadWithPixbuf(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation) {
  GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
  LoadState state;
  g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(OnSizePrepared), &state);
  const bool fed = Feed(loader.get(), data, state);
  GError* error = nullptr;
  const bool closed = gdk_pixbuf_loader_close(loader.get(), &error);  // always closed, even after a failure
  if (error) g_error_free(error);
  if (!fed || !closed || state.tooLarge) return false;
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
  if (!pixbuf || !ToBitmap(pixbuf, bitmap)) return false;
  if (gdk_pixbuf_get_has_alpha(pixbuf) && PremultipliedFormat(loader.get()))
    for (int32_t y = 0; y < bitmap.Height(); ++y) UnpremultiplyRow(bitmap.Row(y), static_cast<size_t>(bitmap.Width()));
  const char* tag = gdk_pixbuf_get_option(pixbuf, "orientation");
  orientation = tag ? std::atoi(tag) : 0;
  return true;
}

}  // namespace ulka
