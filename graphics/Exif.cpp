#include "graphics/Exif.h"

#include <cstring>

namespace ulka {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

struct Reader {
  std::span<const uint8_t> data;
  bool bigEndian;

  bool Has(size_t at, size_t count) const { return at <= data.size() && count <= data.size() - at; }
  uint16_t U16(size_t at) const {
    return bigEndian ? static_cast<uint16_t>(data[at] << 8 | data[at + 1])
                     : static_cast<uint16_t>(data[at + 1] << 8 | data[at]);
  }
  uint32_t U32(size_t at) const {
    return bigEndian ? uint32_t{U16(at)} << 16 | U16(at + 2) : uint32_t{U16(at + 2)} << 16 | U16(at);
  }
};

}  // namespace

int ExifOrientation(std::span<const uint8_t> tiff) {
  if (tiff.size() < 8) return 0;
  Reader r{tiff, false};
  if (std::memcmp(tiff.data(), "II*\0", 4) == 0) r.bigEndian = false;
  else if (std::memcmp(tiff.data(), "MM\0*", 4) == 0) r.bigEndian = true;
  else return 0;
  // The first image directory: a count, then 12-byte entries (tag, type, count, value).
  const size_t directory = r.U32(4);
  if (!r.Has(directory, 2)) return 0;
  const uint16_t entries = r.U16(directory);
  for (uint16_t i = 0; i < entries; ++i) {
    const size_t entry = directory + 2 + size_t{i} * 12;
    if (!r.Has(entry, 12)) return 0;
    if (r.U16(entry) == kOrientationTag) return r.U16(entry + 2) == kShortType ? r.U16(entry + 8) : 0;
  }
  return 0;
}

int JpegExifOrientation(std::span<const uint8_t> app1) {
  if (app1.size() < 6 || std::memcmp(app1.data(), "Exif\0\0", 6) != 0) return 0;
  return ExifOrientation(app1.subspan(6));
}

// RIFF chunks after "RIFF", the size and "WEBP": a four-letter name, a little-endian size, the
// data, and a pad byte after data of odd size.
int WebpExifOrientation(std::span<const uint8_t> webp) {
  size_t at = 12;
  while (at + 8 <= webp.size()) {
    const size_t size = webp[at + 4] | webp[at + 5] << 8 | webp[at + 6] << 16 | size_t{webp[at + 7]} << 24;
    if (size > webp.size() - at - 8) return 0;
    std::span<const uint8_t> data = webp.subspan(at + 8, size);
    if (std::memcmp(webp.data() + at, "EXIF", 4) == 0) {
      if (data.size() >= 6 && std::memcmp(data.data(), "Exif\0\0", 6) == 0) data = data.subspan(6);
      return ExifOrientation(data);
    }
    at += 8 + size + (size & 1);
  }
  return 0;
}

bool IsTiff(std::span<const uint8_t> data) {
  return data.size() >= 4 && (std::memcmp(data.data(), "II*\0", 4) == 0 || std::memcmp(data.data(), "MM\0*", 4) == 0);
}

}  // namespace ulka
