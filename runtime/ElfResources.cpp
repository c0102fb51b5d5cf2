#include "runtime/ElfResources.h"

#include <algorithm>
#include <cstring>

#include "runtime/ByteOrder.h"

namespace ulka {

namespace {

constexpr char kMagic[8] = {'U', 'L', 'K', 'A', 'R', 'S', 'R', 'C'};
constexpr uint32_t kNoBits = 8;

// Field positions that differ between the two ELF classes.
struct ElfClass {
  bool wide;
  uint64_t Word(const uint8_t* p) const { return wide ? Load64(p) : Load32(p); }
  uint32_t headerSize() const { return wide ? 64 : 52; }
  uint32_t phoff() const { return wide ? 32 : 28; }
  uint32_t shoff() const { return wide ? 40 : 32; }
  uint32_t phentsize() const { return wide ? 54 : 42; }
  uint32_t segmentOffset() const { return wide ? 8 : 4; }
  uint32_t segmentFileSize() const { return wide ? 32 : 16; }
  uint32_t sectionOffset() const { return wide ? 24 : 16; }
  uint32_t sectionSize() const { return wide ? 32 : 20; }
};

// The end of a table of `count` entries of `entrySize` bytes, each entry at least `minEntry`
// bytes; 0 when it does not fit in `limit`.
std::optional<uint64_t> TableEnd(uint64_t offset, uint64_t entrySize, uint64_t count,
                                 uint64_t minEntry, uint64_t limit) {
  if (count == 0) return 0;
  if (entrySize < minEntry || !InBounds(offset, entrySize * count, limit)) return std::nullopt;
  return offset + entrySize * count;
}

// Where the program's own content ends, looking at headers, segments and sections; empty when
// any of them leaves the first `limit` bytes.
std::optional<uint64_t> ProgramEnd(std::span<const uint8_t> file, uint64_t limit) {
  const uint8_t* f = file.data();
  ElfClass c{f[4] == 2};
  if (limit < c.headerSize()) return std::nullopt;
  const uint64_t phoff = c.Word(f + c.phoff()), shoff = c.Word(f + c.shoff());
  const uint16_t phentsize = Load16(f + c.phentsize()), phnum = Load16(f + c.phentsize() + 2);
  const uint16_t shentsize = Load16(f + c.phentsize() + 4), shnum = Load16(f + c.phentsize() + 6);
  auto phEnd = TableEnd(phoff, phentsize, phnum, c.segmentFileSize() + (c.wide ? 8 : 4), limit);
  auto shEnd = TableEnd(shoff, shentsize, shnum, c.sectionSize() + (c.wide ? 8 : 4), limit);
  if (!phEnd || !shEnd) return std::nullopt;
  uint64_t end = std::max<uint64_t>({c.headerSize(), *phEnd, *shEnd});
  for (uint16_t i = 0; i < phnum; ++i) {
    const uint8_t* ph = f + phoff + uint64_t{i} * phentsize;
    uint64_t offset = c.Word(ph + c.segmentOffset()), size = c.Word(ph + c.segmentFileSize());
    if (!InBounds(offset, size, limit)) return std::nullopt;
    end = std::max(end, offset + size);
  }
  for (uint16_t i = 0; i < shnum; ++i) {
    const uint8_t* sh = f + shoff + uint64_t{i} * shentsize;
    if (Load32(sh + 4) == kNoBits) continue;
    uint64_t offset = c.Word(sh + c.sectionOffset()), size = c.Word(sh + c.sectionSize());
    if (!InBounds(offset, size, limit)) return std::nullopt;
    end = std::max(end, offset + size);
  }
  return end;
}

}  // namespace

bool LooksLikeElf(std::span<const uint8_t> file) {
  return file.size() >= 4 && std::memcmp(file.data(), "\x7F" "ELF", 4) == 0;
}

std::optional<ElfResourceBlock> LocateElfResources(std::span<const uint8_t> file) {
  if (!LooksLikeElf(file) || file.size() < 64 || (file[4] != 1 && file[4] != 2) || file[5] != 1)
    return std::nullopt;
  ElfResourceBlock block;
  uint64_t limit = file.size();
  if (file.size() >= kElfTrailerSize &&
      std::memcmp(file.data() + file.size() - sizeof kMagic, kMagic, sizeof kMagic) == 0) {
    block.present = true;
    block.offset = Load64(file.data() + file.size() - kElfTrailerSize);
    if (block.offset > file.size() - kElfTrailerSize) return std::nullopt;
    block.size = file.size() - kElfTrailerSize - block.offset;
    limit = block.offset;
  }
  auto end = ProgramEnd(file, limit);
  if (!end) return std::nullopt;
  block.programEnd = *end;
  return block;
}

std::array<uint8_t, kElfTrailerSize> ElfTrailer(uint64_t blockOffset) {
  std::array<uint8_t, kElfTrailerSize> trailer{};
  Store64(trailer.data(), blockOffset);
  std::memcpy(trailer.data() + 8, kMagic, sizeof kMagic);
  return trailer;
}

}  // namespace ulka
