#include "runtime/PeImage.h"

#include <algorithm>
#include <cstring>

#include "runtime/ByteOrder.h"

namespace ulka {

namespace {

constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kOptionalHeaderSize = 224;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kDebugEntrySize = 28;
constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;  // holds a file offset, not an image address
constexpr int kDebugDirectory = 6;
constexpr uint32_t kResourceCharacteristics = 0x40000040;  // initialised data, readable

// Offsets inside the file header and the 32-bit optional header.
constexpr uint32_t kNumberOfSections = 2;
constexpr uint32_t kPointerToSymbolTable = 8;
constexpr uint32_t kSizeOfOptionalHeader = 16;
constexpr uint32_t kSizeOfInitializedData = 8;
constexpr uint32_t kSectionAlignment = 32;
constexpr uint32_t kFileAlignment = 36;
constexpr uint32_t kSizeOfImage = 56;
constexpr uint32_t kSizeOfHeaders = 60;
constexpr uint32_t kCheckSum = 64;
constexpr uint32_t kNumberOfRvaAndSizes = 92;
constexpr uint32_t kDataDirectory = 96;

// Offsets inside a section header.
constexpr uint32_t kVirtualSize = 8;
constexpr uint32_t kVirtualAddress = 12;
constexpr uint32_t kSizeOfRawData = 16;
constexpr uint32_t kPointerToRawData = 20;
constexpr uint32_t kPointerToRelocations = 24;
constexpr uint32_t kPointerToLinenumbers = 28;
constexpr uint32_t kCharacteristics = 36;

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

void Add32(uint8_t* p, int64_t delta) { Store32(p, static_cast<uint32_t>(Load32(p) + delta)); }

}  // namespace

bool PeImage::LooksLikePe(std::span<const uint8_t> file) {
  return file.size() >= 2 && file[0] == 'M' && file[1] == 'Z';
}

std::optional<PeImage> PeImage::Parse(std::span<const uint8_t> file) {
  if (!LooksLikePe(file) || file.size() < 64) return std::nullopt;
  const uint8_t* f = file.data();
  PeImage pe;
  pe.peOffset_ = Load32(f + 60);
  if (!InBounds(pe.peOffset_, 4 + kFileHeaderSize + kOptionalHeaderSize, file.size()) ||
      std::memcmp(f + pe.peOffset_, "PE\0\0", 4) != 0)
    return std::nullopt;
  const uint8_t* fileHeader = f + pe.peOffset_ + 4;
  pe.optionalHeader_ = pe.peOffset_ + 4 + kFileHeaderSize;
  const uint8_t* opt = f + pe.optionalHeader_;
  if (Load16(fileHeader + kSizeOfOptionalHeader) != kOptionalHeaderSize ||
      Load16(opt) != kPe32Magic)
    return std::nullopt;
  pe.fileAlignment_ = Load32(opt + kFileAlignment);
  pe.sectionAlignment_ = Load32(opt + kSectionAlignment);
  pe.sizeOfHeaders_ = Load32(opt + kSizeOfHeaders);
  pe.directoryCount_ = std::min<uint32_t>(Load32(opt + kNumberOfRvaAndSizes), 16);
  pe.dataDirectories_ = pe.optionalHeader_ + kDataDirectory;
  pe.sectionTable_ = pe.optionalHeader_ + kOptionalHeaderSize;
  if (!IsPowerOfTwo(pe.fileAlignment_) || !IsPowerOfTwo(pe.sectionAlignment_) ||
      pe.fileAlignment_ > pe.sectionAlignment_)
    return std::nullopt;
  if (pe.directoryCount_ > kResourceDirectory) {
    pe.resourceAddress_ = Load32(f + pe.DataDirectoryOffset(kResourceDirectory));
    pe.resourceSize_ = Load32(f + pe.DataDirectoryOffset(kResourceDirectory) + 4);
  }
  uint32_t count = Load16(fileHeader + kNumberOfSections);
  if (!InBounds(pe.sectionTable_, uint64_t{count} * kSectionHeaderSize, file.size()))
    return std::nullopt;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = pe.sectionTable_ + i * kSectionHeaderSize;
    PeSection s{at, Load32(f + at + kVirtualSize), Load32(f + at + kVirtualAddress),
                Load32(f + at + kSizeOfRawData), Load32(f + at + kPointerToRawData)};
    if (s.pointerToRawData != 0 && !InBounds(s.pointerToRawData, s.sizeOfRawData, file.size()))
      return std::nullopt;
    pe.sections_.push_back(s);
  }
  return pe;
}

int PeImage::ResourceSection() const {
  if (resourceAddress_ == 0) return -1;
  for (size_t i = 0; i < sections_.size(); ++i)
    if (sections_[i].virtualAddress == resourceAddress_) return static_cast<int>(i);
  return -1;
}

std::optional<std::span<const uint8_t>> PeImage::AtAddress(std::span<const uint8_t> file,
                                                           uint32_t address, uint32_t size) const {
  if (size == 0) return std::span<const uint8_t>();
  for (const PeSection& s : sections_) {
    if (address < s.virtualAddress || s.pointerToRawData == 0) continue;
    uint64_t offset = address - s.virtualAddress;
    if (InBounds(offset, size, s.sizeOfRawData))
      return file.subspan(s.pointerToRawData + offset, size);
  }
  return std::nullopt;
}

bool PeImage::SectionsOrderedAroundResources() const {
  int index = ResourceSection();
  if (index < 0) return true;
  const PeSection& rs = sections_[index];
  if (rs.pointerToRawData < sizeOfHeaders_ || rs.pointerToRawData == 0) return false;
  uint64_t end = uint64_t{rs.pointerToRawData} + rs.sizeOfRawData;
  for (const PeSection& s : sections_) {
    if (&s == &rs || s.pointerToRawData == 0 || s.sizeOfRawData == 0) continue;
    bool after = s.virtualAddress > rs.virtualAddress;
    if (after ? s.pointerToRawData < end : s.pointerToRawData + uint64_t{s.sizeOfRawData} > rs.pointerToRawData)
      return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> PeImage::WithEmptyResourceSection(
    std::span<const uint8_t> file) const {
  if (directoryCount_ <= kResourceDirectory || sections_.size() >= 0xFFFF) return std::nullopt;
  uint64_t imageEnd = 0, rawEnd = sizeOfHeaders_, firstRaw = sizeOfHeaders_;
  for (const PeSection& s : sections_) {
    imageEnd = std::max<uint64_t>(imageEnd, uint64_t{s.virtualAddress} +
                                                std::max(s.virtualSize, s.sizeOfRawData));
    if (s.pointerToRawData != 0 && s.sizeOfRawData != 0) {
      rawEnd = std::max<uint64_t>(rawEnd, uint64_t{s.pointerToRawData} + s.sizeOfRawData);
      firstRaw = std::min<uint64_t>(firstRaw, s.pointerToRawData);
    }
  }
  uint64_t header = sectionTable_ + uint64_t{kSectionHeaderSize} * sections_.size();
  uint64_t address = AlignUp(imageEnd, sectionAlignment_);
  uint64_t pointer = AlignUp(rawEnd, fileAlignment_);
  if (header + kSectionHeaderSize > firstRaw || pointer > file.size() || address > 0x7FFFFFFF ||
      std::any_of(file.begin() + header, file.begin() + header + kSectionHeaderSize,
                  [](uint8_t b) { return b != 0; }))
    return std::nullopt;
  std::vector<uint8_t> out(file.begin(), file.end());
  uint8_t* h = out.data() + header;
  std::memcpy(h, ".rsrc\0\0\0", 8);
  Store32(h + kVirtualAddress, static_cast<uint32_t>(address));
  Store32(h + kPointerToRawData, static_cast<uint32_t>(pointer));
  Store32(h + kCharacteristics, kResourceCharacteristics);
  Store16(out.data() + peOffset_ + 4 + kNumberOfSections, static_cast<uint16_t>(sections_.size() + 1));
  uint8_t* directory = out.data() + DataDirectoryOffset(kResourceDirectory);
  Store32(directory, static_cast<uint32_t>(address));
  Store32(directory + 4, 0);
  uint8_t* sizeOfImage = out.data() + optionalHeader_ + kSizeOfImage;
  Store32(sizeOfImage, std::max(Load32(sizeOfImage), static_cast<uint32_t>(address)));
  return out;
}

std::vector<uint8_t> PeImage::WithResourceContent(std::span<const uint8_t> file,
                                                  std::span<const uint8_t> content) const {
  const PeSection& rs = sections_[ResourceSection()];
  const uint64_t oldEnd = uint64_t{rs.pointerToRawData} + rs.sizeOfRawData;
  const uint64_t newRaw = AlignUp(content.size(), fileAlignment_);
  const uint64_t oldSpan = std::max(resourceSize_, rs.virtualSize);
  const int64_t dRaw = static_cast<int64_t>(newRaw) - rs.sizeOfRawData;
  const int64_t dVirt = static_cast<int64_t>(AlignUp(content.size(), sectionAlignment_)) -
                        static_cast<int64_t>(AlignUp(oldSpan, sectionAlignment_));

  std::vector<uint8_t> out;
  out.reserve(file.size() + std::max<int64_t>(dRaw, 0));
  out.insert(out.end(), file.begin(), file.begin() + rs.pointerToRawData);
  out.insert(out.end(), content.begin(), content.end());
  out.resize(out.size() + (newRaw - content.size()), 0);
  out.insert(out.end(), file.begin() + oldEnd, file.end());

  FixHeaders(out, static_cast<uint32_t>(content.size()), dRaw, dVirt);
  Store32(out.data() + optionalHeader_ + kCheckSum, PeChecksum(out, optionalHeader_ + kCheckSum));
  return out;
}

std::vector<uint8_t> PeImage::WithFreshChecksum(std::span<const uint8_t> file) const {
  std::vector<uint8_t> out(file.begin(), file.end());
  Store32(out.data() + optionalHeader_ + kCheckSum, PeChecksum(out, optionalHeader_ + kCheckSum));
  return out;
}

void PeImage::FixHeaders(std::vector<uint8_t>& out, uint32_t contentSize, int64_t dRaw,
                         int64_t dVirt) const {
  const PeSection& rs = sections_[ResourceSection()];
  const uint32_t rawPointer = rs.pointerToRawData;
  uint8_t* opt = out.data() + optionalHeader_;
  Add32(opt + kSizeOfInitializedData, dRaw);
  Add32(opt + kSizeOfImage, dVirt);

  uint8_t* h = out.data() + rs.headerOffset;
  Store32(h + kSizeOfRawData, static_cast<uint32_t>(AlignUp(contentSize, fileAlignment_)));
  Store32(h + kVirtualSize, contentSize);
  Store32(out.data() + DataDirectoryOffset(kResourceDirectory) + 4, contentSize);

  for (const PeSection& s : sections_) {
    if (s.virtualAddress <= resourceAddress_) continue;
    uint8_t* sh = out.data() + s.headerOffset;
    Add32(sh + kVirtualAddress, dVirt);
    for (uint32_t field : {kPointerToRawData, kPointerToRelocations, kPointerToLinenumbers})
      if (Load32(sh + field) > rawPointer) Add32(sh + field, dRaw);
  }
  for (uint32_t i = 0; i < directoryCount_; ++i) {
    uint8_t* d = out.data() + DataDirectoryOffset(static_cast<int>(i));
    if (i == kSecurityDirectory) {
      if (Load32(d) > rawPointer) Add32(d, dRaw);
    } else if (Load32(d) > resourceAddress_) {
      Add32(d, dVirt);
    }
  }
  uint8_t* symbols = out.data() + peOffset_ + 4 + kPointerToSymbolTable;
  if (Load32(symbols) > rawPointer) Add32(symbols, dRaw);
  FixDebugDirectory(out, dRaw, dVirt);
}

void PeImage::FixDebugDirectory(std::vector<uint8_t>& out, int64_t dRaw, int64_t dVirt) const {
  if (directoryCount_ <= kDebugDirectory) return;
  const uint8_t* d = out.data() + DataDirectoryOffset(kDebugDirectory);
  uint32_t address = Load32(d), size = Load32(d + 4);
  if (size == 0 || sections_.empty()) return;
  // The headers now hold the moved sections: look the directory up there.
  size_t index = sections_.size() - 1;
  for (size_t i = 0; i + 1 < sections_.size(); ++i) {
    uint32_t va = Load32(out.data() + sections_[i].headerOffset + kVirtualAddress);
    uint32_t nextVa = Load32(out.data() + sections_[i + 1].headerOffset + kVirtualAddress);
    if (va <= address && nextVa > address) {
      index = i;
      break;
    }
  }
  const uint8_t* sh = out.data() + sections_[index].headerOffset;
  uint32_t va = Load32(sh + kVirtualAddress);
  if (address < va) return;
  uint64_t at = uint64_t{Load32(sh + kPointerToRawData)} + (address - va);
  uint64_t count = size / kDebugEntrySize;
  if (!InBounds(at, count * kDebugEntrySize, out.size())) return;
  const uint32_t rawPointer = sections_[ResourceSection()].pointerToRawData;
  for (uint64_t k = 0; k < count; ++k) {
    uint8_t* entry = out.data() + at + k * kDebugEntrySize;
    if (Load32(entry + 24) <= rawPointer) continue;
    Add32(entry + 24, dRaw);
    if (Load32(entry + 20) != 0) Add32(entry + 20, dVirt);
  }
}

uint32_t PeChecksum(std::span<const uint8_t> file, uint64_t checksumOffset) {
  uint64_t sum = 0;
  const size_t words = file.size() / 2;
  for (size_t i = 0; i < words; ++i) sum += Load16(file.data() + 2 * i);
  if (file.size() % 2) sum += file.back();
  if (InBounds(checksumOffset, 4, file.size())) {
    for (uint64_t p = checksumOffset; p < checksumOffset + 4; ++p)  // the field counts as zero
      sum -= uint64_t{file[p]} << (8 * (p & 1));
  }
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file.size());
}

}  // namespace ulka
