#include "graphics/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace ulka {
namespace {

// Like the pictures of the desktop's loaders, a GIF is held twice while it loads (its lines and
// the bitmap): half the bitmap limit keeps the two within it.
constexpr int64_t kMaxGifPixels = TVekBitmap::kMaxPixels / 2;

struct Input {
  std::span<const uint8_t> data;
  size_t at = 0;
};

int ReadInput(GifFileType* gif, GifByteType* into, int count) {
  auto* input = static_cast<Input*>(gif->UserData);
  const size_t available = input->data.size() - input->at;
  const size_t taken = std::min(available, static_cast<size_t>(std::max(count, 0)));
  std::memcpy(into, input->data.data() + input->at, taken);
  input->at += taken;
  return static_cast<int>(taken);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// The transparent index a graphic control extension names, or -1.
int TransparentIndex(GifByteType* block) {
  return block && block[0] >= 4 && (block[1] & 1) ? block[4] : -1;
}

// Skips the rest of an extension; answers the transparent index if it was a graphic control.
bool ReadExtension(GifFileType* gif, int& transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE) transparent = TransparentIndex(block);
  while (block) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

// The picture's lines into its place on the screen (clipped to it), interlaced ones in order.
bool ReadPicture(GifFileType* gif, int transparent, TVekBitmap& screen) {
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!map || frame.Width <= 0 || frame.Height <= 0) return false;
  uint32_t colours[256];
  for (int i = 0; i < 256; ++i) {
    const GifColorType* c = i < map->ColorCount ? &map->Colors[i] : nullptr;
    const uint32_t rgb = c ? uint32_t{c->Red} << 16 | uint32_t{c->Green} << 8 | c->Blue : 0;
    colours[i] = (i == transparent ? 0 : 0xFF000000u) | rgb;
  }
  std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
  const int left = std::max(frame.Left, 0), right = std::min(frame.Left + frame.Width, screen.Width());
  auto readRow = [&](int row) {
    if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK) return false;
    const int y = frame.Top + row;
    if (y < 0 || y >= screen.Height()) return true;
    uint32_t* out = screen.Row(y);
    for (int x = left; x < right; ++x) out[x] = colours[line[static_cast<size_t>(x - frame.Left)]];
    return true;
  };
  if (!frame.Interlace) {
    for (int row = 0; row < frame.Height; ++row) {
      if (!readRow(row)) return false;
    }
    return true;
  }
  static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) {
      if (!readRow(row)) return false;
    }
  }
  return true;
}

}  // namespace

bool IsGif(std::span<const uint8_t> data) {
  return data.size() >= 6 && (std::memcmp(data.data(), "GIF87a", 6) == 0 || std::memcmp(data.data(), "GIF89a", 6) == 0);
}

bool ReadGif(std::span<const uint8_t> data, TVekBitmap& bitmap) {
  Input input{data};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadInput, &error));
  if (!gif) return false;
  const int64_t width = gif->SWidth, height = gif->SHeight;
  if (width <= 0 || height <= 0 || !TVekBitmap::SizeAllowed(width, height) || width * height > kMaxGifPixels) return false;
  int transparent = -1;
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return false;
    if (record == EXTENSION_RECORD_TYPE) {
      if (!ReadExtension(gif.get(), transparent)) return false;
    } else if (record == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) != GIF_OK) return false;
      TVekBitmap screen;
      screen.SetSize(width, height);
      if (!ReadPicture(gif.get(), transparent, screen)) return false;
      bitmap = std::move(screen);
      return true;
    } else {
      return false;  // the file ends before its first picture
    }
  }
}

}  // namespace ulka
