#include "graphics/PngCodec.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "graphics/Blend.h"
#include "graphics/Exif.h"

namespace ulka {
namespace {

// libpng reports errors by longjmp: the functions that call into it hold no C++ object that needs
// destroying, and the owner below frees libpng's state whatever happens.
struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

struct MemoryInput {
  const uint8_t* data;
  size_t size;
  size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (count > input->size - input->at) png_error(png, "truncated");
  std::memcpy(out, input->data + input->at, count);
  input->at += count;
}

void WriteToBytes(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  bool stored = true;
  try {
    out->insert(out->end(), data, data + count);
  } catch (...) {  // no exception may cross libpng's frames
    stored = false;
  }
  if (!stored) png_error(png, "out of memory");
}

void IgnoreWarning(png_structp, png_const_charp) {}
void FailOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct Header {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int orientation = 0;
};

// Reads the header and asks libpng for 8-bit B, G, R, A whatever the stored form.
bool ReadHeader(png_structp png, png_infop info, Header* header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, TVekBitmap::kMaxSide, TVekBitmap::kMaxSide);
  png_read_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  png_uint_32 exifSize = 0;
  png_bytep exif = nullptr;
  if (png_get_eXIf_1(png, info, &exifSize, &exif) && exif)
    header->orientation = ExifOrientation(std::span<const uint8_t>(exif, exifSize));
  png_set_expand(png);  // palette to colours, grey below 8 bits to 8, transparency chunk to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // only where there is no alpha yet
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return png_get_rowbytes(png, info) == header->width * 4;
}

bool ReadRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

bool WriteImage(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, bool opaque, int level,
                png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, width, height, 8, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, level);
  png_write_info(png, info);
  png_set_bgr(png);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drop the alpha byte of each pixel
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

template <class Bitmap>
std::vector<png_bytep> RowPointers(Bitmap& bitmap) {
  std::vector<png_bytep> rows(static_cast<size_t>(bitmap.Height()));
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    rows[y] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(bitmap.Row(y)));
  return rows;
}

bool Opaque(const TVekBitmap& bitmap) {
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    if (!RowOpaque(bitmap.Row(y), static_cast<size_t>(bitmap.Width()))) return false;
  return true;
}

}  // namespace

bool IsPng(std::span<const uint8_t> data) { return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0; }

bool ReadPng(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation) {
  PngReader reader;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailOnError, IgnoreWarning);
  if (!reader.png) return false;
  reader.info = png_create_info_struct(reader.png);
  if (!reader.info) return false;
  MemoryInput input{data.data(), data.size(), 0};
  png_set_read_fn(reader.png, &input, ReadFromMemory);
  Header header;
  if (!ReadHeader(reader.png, reader.info, &header)) return false;
  if (!TVekBitmap::SizeAllowed(header.width, header.height) || header.width == 0 || header.height == 0) return false;
  TVekBitmap decoded;
  decoded.SetSizeForOverwrite(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height));
  std::vector<png_bytep> rows = RowPointers(decoded);
  if (!ReadRows(reader.png, rows.data())) return false;
  bitmap = std::move(decoded);
  orientation = header.orientation;
  return true;
}

Bytes WritePng(const TVekBitmap& bitmap, int compressionLevel) {
  if (bitmap.Empty()) return {};
  PngWriter writer;
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, FailOnError, IgnoreWarning);
  if (!writer.png) return {};
  writer.info = png_create_info_struct(writer.png);
  if (!writer.info) return {};
  Bytes out;
  out.reserve(bitmap.PixelCount() / 2);
  png_set_write_fn(writer.png, &out, WriteToBytes, nullptr);
  std::vector<png_bytep> rows = RowPointers(bitmap);
  if (!WriteImage(writer.png, writer.info, static_cast<png_uint_32>(bitmap.Width()),
                  static_cast<png_uint_32>(bitmap.Height()), Opaque(bitmap), compressionLevel, rows.data()))
    return {};
  return out;
}

}  // namespace ulka
