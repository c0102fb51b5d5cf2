// The plain zip archive: local headers, central directory and end record held in memory, read from
// and written to files or memory, with raw deflate data handled by zlib.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ZipByteSource.h"
#include "archive/ZipNameIndex.h"
#include "automation/Types.h"
#include "automation/Variant.h"

namespace ulka {

// The general failure of an archive operation ("Index out of range.", zlib errors).
class EZipFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "CRC Error in "name"."
class EZipFileCRCError : public EZipFileError {
 public:
  using EZipFileError::EZipFileError;
};

inline constexpr uint32_t kLocalFileHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralFileHeaderSignature = 0x02014B50;
inline constexpr uint32_t kEndOfCentralDirSignature = 0x06054B50;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
inline constexpr uint16_t kFlagDataDescriptor = 1 << 3;

// The fixed records have the byte layout of the format (little-endian, no padding) so that they
// are read and written as blocks.
#pragma pack(push, 1)
struct TFileDescriptor {
  uint32_t Crc32;
  uint32_t CompressedSize;
  uint32_t UncompressedSize;
};

struct TCommonFileHeader {
  uint16_t VersionNeededToExtract;
  uint16_t GeneralPurposeBitFlag;
  uint16_t CompressionMethod;
  uint32_t LastModFileTimeDate;  // MS-DOS time in the low half, date in the high half
  TFileDescriptor FileDescriptor;
  uint16_t FilenameLength;
  uint16_t ExtraFieldLength;
};

struct TEndOfCentralDir {
  uint32_t EndOfCentralDirSignature;
  uint16_t NumberOfThisDisk;
  uint16_t NumberOfTheDiskWithTheStart;
  uint16_t TotalNumberOfEntriesOnThisDisk;
  uint16_t TotalNumberOfEntries;
  uint32_t SizeOfTheCentralDirectory;
  uint32_t OffsetOfStartOfCentralDirectory;
  uint16_t ZipfileCommentLength;
};

// The fields of a central record between its common header and its strings.
struct TCentralTail {
  uint16_t FileCommentLength;
  uint16_t DiskNumberStart;
  uint16_t InternalFileAttributes;
  uint32_t ExternalFileAttributes;
  uint32_t RelativeOffsetOfLocalHeader;
};
#pragma pack(pop)

static_assert(sizeof(TFileDescriptor) == 12);
static_assert(sizeof(TCommonFileHeader) == 26);
static_assert(sizeof(TEndOfCentralDir) == 22);
static_assert(sizeof(TCentralTail) == 14);

// One entry: its local header, name, extra field and stored (deflated or plain) data.
struct TLocalFile {
  uint32_t LocalFileHeaderSignature = kLocalFileHeaderSignature;
  TCommonFileHeader CommonFileHeader{};
  std::string filename;    // bytes in the archive's code page
  std::string extrafield;  // kept as read
  Bytes CompressedData;
  // Data left in the archive's byte source until it is first needed: CompressedData is empty
  // meanwhile, and the data is [DataOffset, DataOffset + DataSize) of the source.
  bool DataPending = false;
  size_t DataOffset = 0;
  size_t DataSize = 0;

  size_t StoredSize() const { return DataPending ? DataSize : CompressedData.size(); }
};

// The central record of the entry with the same index.
struct TFileHeader {
  uint32_t CentralFileHeaderSignature = kCentralFileHeaderSignature;
  uint16_t VersionMadeBy = 20;
  TCommonFileHeader CommonFileHeader{};
  TCentralTail Tail{};
  std::string filename;
  std::string extrafield;
  std::string fileComment;
};

class TZipFile {
 public:
  TZipFile() = default;
  TZipFile(const TZipFile&) = delete;
  TZipFile& operator=(const TZipFile&) = delete;

  // Reading. When the data holds no local header, or no entry can be read completely, the
  // previous contents stay; otherwise the entries read completely replace them.
  void LoadFromMemory(std::span<const uint8_t> data);
  // The same from a source that prepares ranges on demand: the records are read now, each
  // entry's data when it is first extracted or saved.
  void LoadFromSource(std::shared_ptr<const ZipByteSource> source);
  void LoadFromStream(std::istream& stream);
  void LoadFromFile(const std::string& fileName);  // EZipFileError when it cannot be read

  // Writing: the whole archive, offsets counted from its first byte.
  void SaveToBytes(Bytes& out);
  void SaveToStream(std::ostream& stream);
  void SaveToFile(const std::string& fileName);  // EZipFileError when it cannot be written

  int AddFile(std::string name, uint32_t attribute);
  Bytes ExtractEntry(int index) const;
  void StoreEntry(int index, std::span<const uint8_t> data);
  const std::string& EntryName(int index) const;
  void RenameEntry(int index, std::string name);
  Date EntryDate(int index) const;
  void SetEntryDate(int index, Date date);
  int IndexOfName(std::string_view name) const;
  int Count() const { return static_cast<int>(files_.size()); }

  const std::vector<TLocalFile>& Files() const { return files_; }
  const std::vector<TFileHeader>& CentralDirectory() const { return centralDirectory_; }
  const TEndOfCentralDir& EndOfCentralDirectory() const { return endOfCentralDirectory_; }
  const std::string& ZipFileComment() const { return zipFileComment_; }

 private:
  void CheckIndex(int index) const;
  void RefreshCentralRecord(int index);
  void TakeContents(struct ZipContents&& contents);
  // An entry's stored data, read from the source when it is still there.
  std::span<const uint8_t> StoredData(const TLocalFile& entry) const;

  std::vector<TLocalFile> files_;
  std::vector<TFileHeader> centralDirectory_;
  TEndOfCentralDir endOfCentralDirectory_{};
  std::string zipFileComment_;
  ZipNameIndex names_;
  std::shared_ptr<const ZipByteSource> source_;  // where pending entries' data is
};

}  // namespace ulka
