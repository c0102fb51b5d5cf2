#include "graphics/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "graphics/Exif.h"

namespace ulka {
namespace {

// libjpeg reports errors through error_exit, which jumps back to the setjmp of the function that
// called into it; those functions hold no C++ object that needs destroying.
struct ErrorHandler {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool truncated = false;
};

[[noreturn]] void JumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorHandler*>(info->err)->jump, 1); }

void NoteWarning(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<ErrorHandler*>(info->err);
  // A file cut short decodes as grey after the cut: that is a broken file, not a picture.
  if (level < 0 && errors->manager.msg_code == JWRN_JPEG_EOF) errors->truncated = true;
}

void Silent(j_common_ptr) {}

void InstallErrors(ErrorHandler& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpOnError;
  errors.manager.emit_message = NoteWarning;
  errors.manager.output_message = Silent;
}

// A progressive file can hold any number of scans, each costing a pass over the image; real files
// have a dozen or so.
constexpr int kMaxScans = 1000;

void LimitScans(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->input_scan_number > kMaxScans) JumpOnError(info);
}

struct Decompressor {
  jpeg_decompress_struct info{};
  ErrorHandler errors;
  jpeg_progress_mgr progress{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

// The compressed bytes go straight into the result, which starts at a size that fits most
// pictures (a quarter byte a pixel) and doubles when it does not.
struct BytesDestination {
  jpeg_destination_mgr manager{};
  Bytes* out = nullptr;
  bool full = false;  // growing failed: libjpeg is told to stop
};

void StartOutput(j_compress_ptr info) {
  auto* d = reinterpret_cast<BytesDestination*>(info->dest);
  d->manager.next_output_byte = d->out->data();
  d->manager.free_in_buffer = d->out->size();
}

boolean GrowOutput(j_compress_ptr info) {
  auto* d = reinterpret_cast<BytesDestination*>(info->dest);
  const size_t used = d->out->size();
  try {
    d->out->resize(used * 2);
  } catch (...) {  // no exception may cross libjpeg's frames
    d->full = true;
  }
  if (d->full) JumpOnError(reinterpret_cast<j_common_ptr>(info));
  d->manager.next_output_byte = d->out->data() + used;
  d->manager.free_in_buffer = d->out->size() - used;
  return TRUE;
}

void FinishOutput(j_compress_ptr info) {
  auto* d = reinterpret_cast<BytesDestination*>(info->dest);
  d->out->resize(d->out->size() - d->manager.free_in_buffer);
}

struct Compressor {
  jpeg_compress_struct info{};
  ErrorHandler errors;
  BytesDestination destination;
  bool created = false;
  ~Compressor() {
    if (created) jpeg_destroy_compress(&info);
  }
};

bool Create(Decompressor& d, std::span<const uint8_t> data) {
  d.info.err = &d.errors.manager;
  InstallErrors(d.errors);
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&d.info);
  d.created = true;
  d.progress.progress_monitor = LimitScans;
  d.info.progress = &d.progress;
  jpeg_mem_src(&d.info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
  return true;
}

bool Cmyk(const jpeg_decompress_struct& info) {
  return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

bool ReadHeader(Decompressor& d) {
  if (setjmp(d.errors.jump)) return false;
  return jpeg_read_header(&d.info, TRUE) == JPEG_HEADER_OK;
}

bool StartDecoding(Decompressor& d) {
  if (setjmp(d.errors.jump)) return false;
  d.info.out_color_space = Cmyk(d.info) ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&d.info);
  return true;
}

// Plain CMYK, or the inverted CMYK that Adobe's programs write (marked by their APP14 segment).
void CmykToBgra(const uint8_t* cmyk, uint32_t width, bool inverted, uint32_t* out) {
  for (uint32_t x = 0; x < width; ++x, cmyk += 4) {
    auto channel = [&](int i) {
      const uint32_t c = inverted ? cmyk[i] : 255u - cmyk[i];
      const uint32_t k = inverted ? cmyk[3] : 255u - cmyk[3];
      return (c * k + 127) / 255;
    };
    out[x] = 0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2);
  }
}

bool ReadRows(Decompressor& d, uint32_t* pixels, uint8_t* cmykRow) {
  if (setjmp(d.errors.jump)) return false;
  const uint32_t width = d.info.output_width;
  while (d.info.output_scanline < d.info.output_height) {
    uint32_t* row = pixels + static_cast<size_t>(d.info.output_scanline) * width;
    JSAMPROW target = cmykRow ? cmykRow : reinterpret_cast<JSAMPROW>(row);
    if (jpeg_read_scanlines(&d.info, &target, 1) != 1) return false;
    if (cmykRow) CmykToBgra(cmykRow, width, d.info.saw_Adobe_marker, row);
  }
  jpeg_finish_decompress(&d.info);
  return !d.errors.truncated;
}

int OrientationOf(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    if (int orientation = JpegExifOrientation(std::span<const uint8_t>(m->data, m->data_length))) return orientation;
  }
  return 0;
}

bool Compress(Compressor& c, const TVekBitmap& bitmap, int quality) {
  c.info.err = &c.errors.manager;
  InstallErrors(c.errors);
  if (setjmp(c.errors.jump)) return false;
  jpeg_create_compress(&c.info);
  c.created = true;
  c.destination.manager.init_destination = StartOutput;
  c.destination.manager.empty_output_buffer = GrowOutput;
  c.destination.manager.term_destination = FinishOutput;
  c.info.dest = &c.destination.manager;
  c.info.image_width = static_cast<JDIMENSION>(bitmap.Width());
  c.info.image_height = static_cast<JDIMENSION>(bitmap.Height());
  c.info.input_components = 4;
  c.info.in_color_space = JCS_EXT_BGRX;  // the alpha byte is skipped
  jpeg_set_defaults(&c.info);
  jpeg_set_quality(&c.info, quality, TRUE);
  jpeg_start_compress(&c.info, TRUE);
  while (c.info.next_scanline < c.info.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(bitmap.Row(static_cast<int32_t>(c.info.next_scanline))));
    jpeg_write_scanlines(&c.info, &row, 1);
  }
  jpeg_finish_compress(&c.info);
  return true;
}

}  // namespace

bool IsJpeg(std::span<const uint8_t> data) {
  return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool ReadJpeg(std::span<const uint8_t> data, TVekBitmap& bitmap, int& orientation) {
  Decompressor d;
  if (!Create(d, data) || !ReadHeader(d)) return false;
  // Checked before decoding starts: a progressive file makes libjpeg hold the whole image.
  if (!TVekBitmap::SizeAllowed(d.info.image_width, d.info.image_height)) return false;
  if (!StartDecoding(d)) return false;
  const uint32_t width = d.info.output_width, height = d.info.output_height;
  if (width == 0 || height == 0 || !TVekBitmap::SizeAllowed(width, height)) return false;
  TVekBitmap decoded;
  decoded.SetSizeForOverwrite(static_cast<int32_t>(width), static_cast<int32_t>(height));
  std::vector<uint8_t> cmykRow(Cmyk(d.info) ? size_t{width} * 4 : 0);
  const int tag = OrientationOf(d.info);  // the saved segments are freed when decoding finishes
  if (!ReadRows(d, decoded.Bits(), cmykRow.empty() ? nullptr : cmykRow.data())) return false;
  orientation = tag;
  bitmap = std::move(decoded);
  return true;
}

Bytes WriteJpeg(const TVekBitmap& bitmap, int quality) {
  if (bitmap.Empty()) return {};
  Bytes out(std::max<size_t>(bitmap.PixelCount() / 4, 4096));
  Compressor c;
  c.destination.out = &out;
  if (!Compress(c, bitmap, quality)) return {};
  return out;
}

}  // namespace ulka
