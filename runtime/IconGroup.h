// Icon files and icon-group resources: the directory of an .ico file and the group entries that
// name icon resources by identifier.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace ulka {

struct IconFileEntry {
  std::array<uint8_t, 12> header;  // width, height, colours, reserved, planes, bit count, size
  std::span<const uint8_t> image;
};

struct IconFile {
  std::array<uint8_t, 6> header;  // reserved, type, count
  std::vector<IconFileEntry> entries;
};

// Parses an icon file; empty optional when its header or any directory entry is inconsistent
// (no images, a type other than icon, an image outside the data or of no bytes).
std::optional<IconFile> ParseIconFile(std::span<const uint8_t> data);

// The icon-group resource for `icon`, entry i naming icon resource ids[i].
std::vector<uint8_t> BuildIconGroup(const IconFile& icon, std::span<const uint16_t> ids);

// The icon identifiers a group resource lists, in entry order (as many as fit in the data).
std::vector<uint16_t> IconGroupIds(std::span<const uint8_t> group);

// The icon file a group resource stands for, its images found by identifier; an entry whose image
// is missing or empty is left out. Empty when the group is malformed or no image is found.
using IconImageLookup = std::function<std::optional<std::span<const uint8_t>>(uint16_t id)>;
std::vector<uint8_t> BuildIconFile(std::span<const uint8_t> group, const IconImageLookup& image);

}  // namespace ulka
