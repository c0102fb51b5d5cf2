#include "runtime/IconGroup.h"

#include <algorithm>

#include "runtime/ByteOrder.h"

namespace ulka {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr uint16_t kIconType = 1;

}  // namespace

std::optional<IconFile> ParseIconFile(std::span<const uint8_t> data) {
  if (data.size() < kHeaderSize) return std::nullopt;
  uint16_t count = Load16(data.data() + 4);
  if (Load16(data.data()) != 0 || Load16(data.data() + 2) != kIconType || count == 0 ||
      !InBounds(kHeaderSize, size_t{count} * kFileEntrySize, data.size()))
    return std::nullopt;
  IconFile icon;
  std::copy_n(data.begin(), kHeaderSize, icon.header.begin());
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data.data() + kHeaderSize + i * kFileEntrySize;
    uint32_t size = Load32(e + 8), offset = Load32(e + 12);
    if (size == 0 || !InBounds(offset, size, data.size())) return std::nullopt;
    IconFileEntry entry;
    std::copy_n(e, entry.header.size(), entry.header.begin());
    entry.image = data.subspan(offset, size);
    icon.entries.push_back(entry);
  }
  return icon;
}

std::vector<uint8_t> BuildIconGroup(const IconFile& icon, std::span<const uint16_t> ids) {
  std::vector<uint8_t> group(icon.header.begin(), icon.header.end());
  group.resize(kHeaderSize + icon.entries.size() * kGroupEntrySize);
  for (size_t i = 0; i < icon.entries.size(); ++i) {
    uint8_t* e = group.data() + kHeaderSize + i * kGroupEntrySize;
    std::copy(icon.entries[i].header.begin(), icon.entries[i].header.end(), e);
    Store16(e + 12, ids[i]);
  }
  return group;
}

std::vector<uint16_t> IconGroupIds(std::span<const uint8_t> group) {
  std::vector<uint16_t> ids;
  if (group.size() < kHeaderSize) return ids;
  size_t count = Load16(group.data() + 4);
  for (size_t i = 0; i < count; ++i) {
    size_t at = kHeaderSize + i * kGroupEntrySize;
    if (!InBounds(at, kGroupEntrySize, group.size())) break;
    ids.push_back(Load16(group.data() + at + 12));
  }
  return ids;
}

std::vector<uint8_t> BuildIconFile(std::span<const uint8_t> group, const IconImageLookup& image) {
  if (group.size() < kHeaderSize || Load16(group.data()) != 0 || Load16(group.data() + 2) != kIconType) return {};
  struct Found {
    const uint8_t* entry;
    std::span<const uint8_t> image;
  };
  std::vector<Found> found;
  const size_t count = Load16(group.data() + 4);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kHeaderSize + i * kGroupEntrySize;
    if (!InBounds(at, kGroupEntrySize, group.size())) return {};
    std::optional<std::span<const uint8_t>> bytes = image(Load16(group.data() + at + 12));
    if (bytes && !bytes->empty()) found.push_back({group.data() + at, *bytes});
  }
  if (found.empty()) return {};
  std::vector<uint8_t> file(kHeaderSize + found.size() * kFileEntrySize);
  std::copy_n(group.begin(), 4, file.begin());
  Store16(file.data() + 4, static_cast<uint16_t>(found.size()));
  for (size_t i = 0; i < found.size(); ++i) {
    uint8_t* e = file.data() + kHeaderSize + i * kFileEntrySize;
    std::copy_n(found[i].entry, 8, e);  // width, height, colours, reserved, planes, bit count
    Store32(e + 8, static_cast<uint32_t>(found[i].image.size()));
    Store32(e + 12, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), found[i].image.begin(), found[i].image.end());
  }
  return file;
}

}  // namespace ulka
