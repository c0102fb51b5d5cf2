// The headers of a 32-bit PE image: where they are, and the edits the resource engine makes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ulka {

struct PeSection {
  uint32_t headerOffset = 0;  // file offset of the 40-byte section header
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t sizeOfRawData = 0;
  uint32_t pointerToRawData = 0;
};

class PeImage {
 public:
  // Checks the MS-DOS and PE signatures, the 32-bit optional header and that every header and
  // section lies inside the file. Empty optional for anything else.
  static std::optional<PeImage> Parse(std::span<const uint8_t> file);

  static bool LooksLikePe(std::span<const uint8_t> file);

  const std::vector<PeSection>& Sections() const { return sections_; }
  // Index of the section at the resource directory's address, or -1.
  int ResourceSection() const;
  uint32_t ResourceDirectoryAddress() const { return resourceAddress_; }
  uint32_t ResourceDirectorySize() const { return resourceSize_; }

  // The bytes at an image address, when they lie in a section's raw data.
  std::optional<std::span<const uint8_t>> AtAddress(std::span<const uint8_t> file, uint32_t address,
                                                    uint32_t size) const;

  // Whether the sections keep the same order in the file and in memory around the resource
  // section, which moving the tail of the file relies on.
  bool SectionsOrderedAroundResources() const;

  // A copy of the file with an empty resource section added after the last one; empty optional
  // when the headers have no room for another section header.
  std::optional<std::vector<uint8_t>> WithEmptyResourceSection(std::span<const uint8_t> file) const;

  // The file with the resource section's content replaced by `content`: the tail of the file moved,
  // the headers fixed and the checksum recomputed.
  std::vector<uint8_t> WithResourceContent(std::span<const uint8_t> file,
                                           std::span<const uint8_t> content) const;

  // A copy of the file with its checksum recomputed.
  std::vector<uint8_t> WithFreshChecksum(std::span<const uint8_t> file) const;

 private:
  void FixHeaders(std::vector<uint8_t>& out, uint32_t contentSize, int64_t dRaw,
                  int64_t dVirt) const;
  void FixDebugDirectory(std::vector<uint8_t>& out, int64_t dRaw, int64_t dVirt) const;
  uint32_t DataDirectoryOffset(int index) const { return dataDirectories_ + 8 * index; }

  uint32_t peOffset_ = 0;
  uint32_t optionalHeader_ = 0;
  uint32_t dataDirectories_ = 0;
  uint32_t directoryCount_ = 0;
  uint32_t sectionTable_ = 0;
  uint32_t fileAlignment_ = 0;
  uint32_t sectionAlignment_ = 0;
  uint32_t sizeOfHeaders_ = 0;
  uint32_t resourceAddress_ = 0;
  uint32_t resourceSize_ = 0;
  std::vector<PeSection> sections_;
};

// The PE image checksum of a whole file, with the 4 bytes at `checksumOffset` counted as zero.
uint32_t PeChecksum(std::span<const uint8_t> file, uint64_t checksumOffset);

}  // namespace ulka
