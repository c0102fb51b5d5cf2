#include "graphics/CutShort.h"

#include <cctype>
#include <cstdlib>
#include <optional>

namespace ulka {
namespace {

uint64_t U16(std::span<const uint8_t> d, size_t at) { return uint64_t{d[at]} | uint64_t{d[at + 1]} << 8; }
uint64_t U32(std::span<const uint8_t> d, size_t at) { return U16(d, at) | U16(d, at + 2) << 16; }
int64_t I32(std::span<const uint8_t> d, size_t at) { return static_cast<int32_t>(static_cast<uint32_t>(U32(d, at))); }

// Uncompressed and bit-field BMPs: the rows, each padded to 4 bytes, from the data offset on.
bool BmpCutShort(std::span<const uint8_t> d) {
  if (d.size() < 26) return true;
  const uint64_t dataOffset = U32(d, 10), headerSize = U32(d, 14);
  int64_t width, height;
  uint64_t bits, compression = 0;
  if (headerSize == 12) {  // the old OS/2 header
    width = static_cast<int64_t>(U16(d, 18));
    height = static_cast<int64_t>(U16(d, 20));
    bits = U16(d, 24);
  } else {
    if (d.size() < 34) return true;
    width = I32(d, 18);
    height = I32(d, 22);
    bits = U16(d, 28);
    compression = U32(d, 30);
  }
  constexpr uint64_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
  if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) return false;
  const uint64_t stride = (static_cast<uint64_t>(std::llabs(width)) * bits + 31) / 32 * 4;
  const uint64_t rows = static_cast<uint64_t>(std::llabs(height));
  if (rows && stride > (uint64_t{1} << 40) / rows) return true;  // no file is that long
  return dataOffset + stride * rows > d.size();
}

// Binary PNM (P4, P5, P6): a text header of numbers, one white-space character, then the samples.
bool PnmCutShort(std::span<const uint8_t> d) {
  size_t at = 2;
  auto number = [&]() -> std::optional<uint64_t> {
    while (at < d.size()) {
      if (d[at] == '#') {
        while (at < d.size() && d[at] != '\n') ++at;
      } else if (std::isspace(d[at])) {
        ++at;
      } else {
        break;
      }
    }
    uint64_t value = 0;
    size_t digits = 0;
    for (; at < d.size() && std::isdigit(d[at]) && digits < 12; ++at, ++digits) value = value * 10 + (d[at] - '0');
    if (!digits) return std::nullopt;
    return value;
  };
  const char kind = static_cast<char>(d[1]);
  const auto width = number(), height = number();
  const auto maximum = kind == '4' ? std::optional<uint64_t>(1) : number();
  if (!width || !height || !maximum) return true;
  ++at;  // the one white-space character before the samples
  const uint64_t bytesPerSample = *maximum > 255 ? 2 : 1;
  uint64_t needed;
  if (kind == '4') needed = (*width + 7) / 8 * *height;
  else needed = *width * *height * bytesPerSample * (kind == '6' ? 3 : 1);
  return at + needed > d.size();
}

}  // namespace

bool CutShort(std::span<const uint8_t> data) {
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return BmpCutShort(data);
  if (data.size() >= 2 && data[0] == 'P' && data[1] >= '4' && data[1] <= '6') return PnmCutShort(data);
  return false;
}

}  // namespace ulka
