// Parses the bytes of a zip archive into local entries, central records and the end record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "archive/ZipFile.h"

namespace ulka {

struct ZipContents {
  std::vector<TLocalFile> files;
  std::vector<TFileHeader> centralDirectory;  // as long as `files`, matched by index
  TEndOfCentralDir endOfCentralDirectory{};
  std::string zipFileComment;
};

// Reading is sequential from the first local header and relies on the local headers. Where a
// local header defers its sizes to a data descriptor, the size that the central directory gives
// for that header's offset finds the end of the data; only where no central directory is at hand
// is the data scanned for the descriptor's signature. Reading stops at the first record that does
// not fit in the data; what was read completely is kept.
// Read from a byte source, the reader prepares only the ranges it looks at and leaves each
// entry's data in the source (TLocalFile::DataPending); what it finds is the same as from the
// whole bytes.
class ZipReader {
 public:
  explicit ZipReader(std::span<const uint8_t> data) : data_(data) {}
  explicit ZipReader(const ZipByteSource& source) : data_(source.Extent()), source_(&source) {}

  // Empty when the data holds no local header at a 4-byte step from its start.
  std::optional<ZipContents> Read();

 private:
  bool Has(size_t count) const { return count <= data_.size() - pos_; }
  // Makes the bytes at [at, at + count) readable (clipped to the data).
  void Need(size_t at, size_t count) const {
    if (source_ && at < data_.size()) source_->Prepare(at, std::min(count, data_.size() - at));
  }
  uint32_t Peek32(size_t at) const;
  uint32_t Next32();  // 0 when fewer than 4 bytes remain
  template <class T>
  bool ReadBlock(T& block);
  bool ReadString(size_t length, std::string& out);

  bool FindFirstLocalHeader();
  bool ReadLocalEntry(TLocalFile& entry);
  bool ReadSizedData(TLocalFile& entry, size_t size);
  bool ReadDescriptorAfterKnownSize(TLocalFile& entry);
  bool ScanForDescriptor(TLocalFile& entry);
  bool ReadCentralRecord(TFileHeader& record);
  void ReadEndRecord(ZipContents& contents);
  void IndexCentralSizes();
  bool FollowedByRecord(size_t at) const;

  std::span<const uint8_t> data_;
  const ZipByteSource* source_ = nullptr;
  size_t pos_ = 0;
  uint32_t signature_ = 0;
  // Compressed sizes from the central directory, by position of the local header in the data.
  std::unordered_map<size_t, uint32_t> centralSizes_;
};

}  // namespace ulka
