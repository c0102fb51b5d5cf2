#include "runtime/ExecutableResources.h"

#include <vector>

#include "automation/Files.h"
#include "runtime/ByteOrder.h"
#include "runtime/FileIo.h"

namespace ulka {

std::optional<ExecutableResources> ExecutableResources::Read(std::span<const uint8_t> file,
                                                             bool startEmpty) {
  ExecutableResources res;
  res.file_ = file;
  res.elf_ = LooksLikeElf(file);
  bool ok = res.elf_ ? res.ReadElf(startEmpty) : res.ReadPe(startEmpty);
  if (!ok) return std::nullopt;
  if (!res.root_) res.root_ = NewResourceRoot();
  return res;
}

bool ExecutableResources::ReadPe(bool startEmpty) {
  pe_ = PeImage::Parse(file_);
  if (!pe_ || !pe_->SectionsOrderedAroundResources()) return false;
  int index = pe_->ResourceSection();
  if (index < 0 || startEmpty) return true;
  const PeSection& s = pe_->Sections()[index];
  const PeImage& pe = *pe_;
  auto file = file_;
  DataLocator locate = [&pe, file](uint32_t address, uint32_t size) {
    return pe.AtAddress(file, address, size);
  };
  root_ = ReadResourceTree(file_.subspan(s.pointerToRawData, s.sizeOfRawData), locate, file_.size());
  return root_ != nullptr;
}

bool ExecutableResources::ReadElf(bool startEmpty) {
  auto block = LocateElfResources(file_);
  if (!block) return false;
  block_ = *block;
  if (!block_.present || startEmpty) return true;
  auto bytes = file_.subspan(block_.offset, block_.size);
  DataLocator locate = [bytes](uint32_t address,
                               uint32_t size) -> std::optional<std::span<const uint8_t>> {
    if (!InBounds(address, size, bytes.size())) return std::nullopt;
    return bytes.subspan(address, size);
  };
  root_ = ReadResourceTree(bytes, locate, bytes.size());
  return root_ != nullptr;
}

bool ExecutableResources::WriteTo(const std::string& path) const {
  return elf_ ? WriteElf(path) : WritePe(path);
}

bool ExecutableResources::WriteElf(const std::string& path) const {
  auto content = SerializeResourceTreePieces(*root_, 0);
  if (!content) return false;
  uint64_t base = block_.present ? block_.offset : file_.size();
  uint64_t offset = ElfBlockOffset(base);
  std::vector<uint8_t> padding(offset - base, 0);
  auto trailer = ElfTrailer(offset);
  std::vector<std::span<const uint8_t>> parts = {file_.first(base), padding};
  parts.insert(parts.end(), content->pieces.begin(), content->pieces.end());
  parts.push_back(trailer);
  return ReplaceFile(path, parts);
}

bool ExecutableResources::WritePe(const std::string& path) const {
  const PeImage* pe = &*pe_;
  std::span<const uint8_t> file = file_;
  std::optional<std::vector<uint8_t>> withSection;
  std::optional<PeImage> added;
  if (pe->ResourceSection() < 0) {
    if (root_->children.empty()) {
      std::vector<uint8_t> same = pe->WithFreshChecksum(file);
      std::span<const uint8_t> parts[] = {same};
      return ReplaceFile(path, parts);
    }
    withSection = pe->WithEmptyResourceSection(file);
    if (!withSection) return false;
    added = PeImage::Parse(*withSection);
    if (!added) return false;
    pe = &*added;
    file = *withSection;
  }
  auto content = SerializeResourceTree(*root_, pe->Sections()[pe->ResourceSection()].virtualAddress);
  if (!content) return false;
  std::vector<uint8_t> out = pe->WithResourceContent(file, *content);
  std::span<const uint8_t> parts[] = {out};
  return ReplaceFile(path, parts);
}

}  // namespace ulka
