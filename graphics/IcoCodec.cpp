#include "graphics/IcoCodec.h"

#include "automation/Types.h"
#include "graphics/PixbufCodec.h"
#include "graphics/PngCodec.h"

namespace ulka {
namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;

uint32_t U16(std::span<const uint8_t> d, size_t at) { return uint32_t{d[at]} | uint32_t{d[at + 1]} << 8; }
uint32_t U32(std::span<const uint8_t> d, size_t at) { return U16(d, at) | U16(d, at + 2) << 16; }

struct Entry {
  size_t at = 0;  // of the directory entry
  uint32_t width = 0, height = 0, bits = 0;
  uint32_t size = 0, offset = 0;
};

Entry EntryAt(std::span<const uint8_t> data, size_t index) {
  Entry e;
  e.at = kHeaderSize + index * kEntrySize;
  e.width = data[e.at] ? data[e.at] : 256;  // 0 means 256
  e.height = data[e.at + 1] ? data[e.at + 1] : 256;
  e.bits = U16(data, e.at + 6);
  e.size = U32(data, e.at + 8);
  e.offset = U32(data, e.at + 12);
  return e;
}

bool Better(const Entry& a, const Entry& b) {
  const uint64_t areaA = uint64_t{a.width} * a.height, areaB = uint64_t{b.width} * b.height;
  return areaA != areaB ? areaA > areaB : a.bits > b.bits;
}

}  // namespace

bool IsIco(std::span<const uint8_t> data) {
  if (data.size() < kHeaderSize || U16(data, 0) != 0) return false;
  const uint32_t type = U16(data, 2), count = U16(data, 4);
  return (type == 1 || type == 2) && count > 0 && kHeaderSize + count * kEntrySize <= data.size();
}

bool ReadIco(std::span<const uint8_t> data, TVekBitmap& bitmap) {
  const uint32_t count = U16(data, 4);
  Entry best;
  bool found = false;
  for (uint32_t i = 0; i < count; ++i) {
    const Entry e = EntryAt(data, i);
    if (e.size == 0 || e.offset > data.size() || e.size > data.size() - e.offset) return false;  // cut short
    if (!found || Better(e, best)) best = e;
    found = true;
  }
  const std::span<const uint8_t> image = data.subspan(best.offset, best.size);
  int orientation = 0;
  if (IsPng(image)) return ReadPng(image, bitmap, orientation);
  // A one-entry icon of the chosen bitmap, so the loader cannot pick a PNG entry it cannot read.
  Bytes single(data.begin(), data.begin() + kHeaderSize);
  single[4] = 1;
  single[5] = 0;
  single.insert(single.end(), data.begin() + best.at, data.begin() + best.at + kEntrySize);
  const uint32_t offset = kHeaderSize + kEntrySize;
  for (int k = 0; k < 4; ++k) single[kHeaderSize + 12 + k] = static_cast<uint8_t>(offset >> (8 * k));
  single.insert(single.end(), image.begin(), image.end());
  return ReadWithPixbuf(single, bitmap, orientation);
}

}  // namespace ulka
