// The resource directory of an executable as a tree: type, name and language levels under a root.
// Reads the PE resource-directory layout from a byte range and writes it back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ulka {

// A type or name: a number below 65536, or a text.
struct ResId {
  uint16_t id = 0;
  std::u16string name;  // empty for a numeric identifier

  static ResId Number(uint16_t id) { return {id, {}}; }
  static ResId Text(std::u16string name) { return {0, std::move(name)}; }
  bool IsName() const { return !name.empty(); }
};

struct TResItem {
  uint32_t id = 0;        // numeric identifier or language
  std::u16string name;    // named entries only
  bool isDir = false;
  std::vector<std::unique_ptr<TResItem>> children;  // PE order: named by name, then numeric
  // Directory: characteristics, time stamp, version. Leaf: code page and reserved value.
  uint32_t attr = 0;
  uint32_t time = 0;
  uint16_t majorVer = 0;
  uint16_t minorVer = 0;
  uint32_t codePage = 0;
  uint32_t reserved = 0;
  // Leaf data: either bytes of the file being edited, or new bytes held in memory.
  std::span<const uint8_t> data;
  std::shared_ptr<const std::vector<uint8_t>> strBuf;

  std::span<const uint8_t> Data() const {
    return strBuf ? std::span<const uint8_t>(*strBuf) : data;
  }
  bool Matches(const ResId& key) const;  // exact: numeric id, or name with case
  bool MatchesIgnoringCase(const ResId& key) const;
};

// Maps a data entry's address to the bytes it names; empty optional when it lies outside the file.
using DataLocator = std::function<std::optional<std::span<const uint8_t>>(uint32_t address,
                                                                           uint32_t size)>;

// Reads a resource directory that starts at the beginning of `section`. Fails (null) on anything
// malformed: tables or names outside the section, a directory reached twice (loops and shared
// subtrees), levels other than type/name/language, data outside the file, or more data in total
// than `dataLimit` bytes.
std::unique_ptr<TResItem> ReadResourceTree(std::span<const uint8_t> section,
                                           const DataLocator& locate, uint64_t dataLimit);

std::unique_ptr<TResItem> NewResourceRoot();

// Finds the leaf for an exact type, name and language.
const TResItem* FindResource(const TResItem& root, const ResId& type, const ResId& name,
                             uint32_t language);

// The lookup of a module's resource: names compared without regard to case; language 0 falls
// back to US English and then to the first language present.
const TResItem* FindResourceForLoad(const TResItem& root, const ResId& type, const ResId& name,
                                    uint32_t language);

// Adds or replaces (with data) or deletes (without data) one resource.
void UpdateResourceTree(TResItem& root, const ResId& type, const ResId& name, uint32_t language,
                        std::shared_ptr<const std::vector<uint8_t>> data);
// Adds or replaces one resource with bytes the caller keeps alive as long as the tree uses them.
void UpdateResourceTreeBorrowed(TResItem& root, const ResId& type, const ResId& name,
                                uint32_t language, std::span<const uint8_t> data);

// The serialised tree in pieces, so that large data need not be copied: the directory and names,
// then each leaf's bytes and its zero padding to a multiple of 4.
struct SerializedTree {
  std::vector<uint8_t> head;
  std::vector<std::span<const uint8_t>> pieces;  // `head` first
  uint64_t size = 0;
};
std::optional<SerializedTree> SerializeResourceTreePieces(const TResItem& root,
                                                          uint32_t sectionAddress);

// The serialised directory, names and data, with data entries addressed from `sectionAddress`;
// empty optional when the result would not fit the format's 32-bit sizes.
std::optional<std::vector<uint8_t>> SerializeResourceTree(const TResItem& root, uint32_t sectionAddress);

}  // namespace ulka
