// Resources of an ELF executable: a block in the PE resource-directory layout appended to the
// file, followed by a 16-byte trailer (the block's file offset, 64-bit little-endian, then the
// magic "ULKARSRC"). Data entries in the block address bytes from the block's start.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ulka {

struct ElfResourceBlock {
  uint64_t programEnd = 0;  // where the executable itself, without any block, ends
  bool present = false;
  uint64_t offset = 0;  // of the block
  uint64_t size = 0;
};

constexpr size_t kElfTrailerSize = 16;

bool LooksLikeElf(std::span<const uint8_t> file);

// Checks the ELF headers (little-endian, 32 or 64 bits, tables and segments inside the file) and
// finds the resource block. Empty optional for a malformed file or an inconsistent trailer.
std::optional<ElfResourceBlock> LocateElfResources(std::span<const uint8_t> file);

std::array<uint8_t, kElfTrailerSize> ElfTrailer(uint64_t blockOffset);

// The offset at which a new block goes after `programEnd` bytes of executable.
inline uint64_t ElfBlockOffset(uint64_t programEnd) { return (programEnd + 7) / 8 * 8; }

}  // namespace ulka
