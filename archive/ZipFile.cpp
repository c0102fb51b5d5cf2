#include "archive/ZipFile.h"

#include <cstring>
#include <istream>
#include <iterator>
#include <ostream>
#include <limits>

#include "archive/Deflate.h"
#include "archive/DosDate.h"
#include "archive/ZipReader.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {

namespace {

constexpr uint16_t kVersion = 20;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kMethodStored = 0;

template <class T>
void Append(Bytes& out, const T& block) {
  const auto* p = reinterpret_cast<const uint8_t*>(&block);
  out.insert(out.end(), p, p + sizeof(T));
}

void Append(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

std::string CrcErrorMessage(const std::string& name) {
  std::string text = msg::kZipCrcError;
  text.replace(text.find("%s"), 2, name);
  return text;
}

}  // namespace

// Lengths are 16-bit fields; a longer name cannot be described.
static void CheckNameLength(const std::string& name) {
  if (name.size() > std::numeric_limits<uint16_t>::max()) throw EZipFileError("Entry name too long");
}

void TZipFile::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EZipFileError(msg::kIndexOutOfRange);
}

// ---- reading

void TZipFile::LoadFromMemory(std::span<const uint8_t> data) {
  std::optional<ZipContents> contents = ZipReader(data).Read();
  // Data in which no entry could be read replaces nothing.
  if (!contents || contents->files.empty()) return;
  TakeContents(std::move(*contents));
  source_.reset();
}

void TZipFile::LoadFromSource(std::shared_ptr<const ZipByteSource> source) {
  std::optional<ZipContents> contents = ZipReader(*source).Read();
  if (!contents || contents->files.empty()) return;
  TakeContents(std::move(*contents));
  source_ = std::move(source);
}

void TZipFile::TakeContents(ZipContents&& contents) {
  files_ = std::move(contents.files);
  centralDirectory_ = std::move(contents.centralDirectory);
  endOfCentralDirectory_ = contents.endOfCentralDirectory;
  zipFileComment_ = std::move(contents.zipFileComment);
  names_.Clear();
  for (int i = 0; i < Count(); ++i) names_.Append(i, files_[i].filename);
}

std::span<const uint8_t> TZipFile::StoredData(const TLocalFile& entry) const {
  if (!entry.DataPending) return entry.CompressedData;
  source_->Prepare(entry.DataOffset, entry.DataSize);
  return source_->Extent().subspan(entry.DataOffset, entry.DataSize);
}

void TZipFile::LoadFromStream(std::istream& stream) {
  Bytes data{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  LoadFromMemory(data);
}

void TZipFile::LoadFromFile(const std::string& fileName) {
  Bytes data;
  if (!ReadFileBytes(Wide(fileName), data)) throw EZipFileError("File not found: " + fileName);
  LoadFromMemory(data);
}

// ---- writing

void TZipFile::SaveToBytes(Bytes& out) {
  const size_t base = out.size();
  size_t total = sizeof(TEndOfCentralDir) + zipFileComment_.size();
  for (int i = 0; i < Count(); ++i) {
    total += 30 + files_[i].filename.size() + files_[i].extrafield.size() + files_[i].StoredSize() + 16;
    total += 46 + centralDirectory_[i].filename.size() + centralDirectory_[i].extrafield.size() +
             centralDirectory_[i].fileComment.size();
  }
  out.reserve(base + total);

  for (int i = 0; i < Count(); ++i) {
    const TLocalFile& entry = files_[i];
    centralDirectory_[i].Tail.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(out.size() - base);
    const bool descriptorFollows = entry.CommonFileHeader.GeneralPurposeBitFlag & kFlagDataDescriptor;
    TCommonFileHeader header = entry.CommonFileHeader;
    if (descriptorFollows) header.FileDescriptor = {};
    Append(out, entry.LocalFileHeaderSignature);
    Append(out, header);
    Append(out, entry.filename);
    Append(out, entry.extrafield);
    std::span<const uint8_t> stored = StoredData(entry);
    out.insert(out.end(), stored.begin(), stored.end());
    if (descriptorFollows) {
      Append(out, kDataDescriptorSignature);
      Append(out, entry.CommonFileHeader.FileDescriptor);
    }
  }

  const size_t directoryStart = out.size() - base;
  for (const TFileHeader& record : centralDirectory_) {
    Append(out, record.CentralFileHeaderSignature);
    Append(out, record.VersionMadeBy);
    Append(out, record.CommonFileHeader);
    Append(out, record.Tail);
    Append(out, record.filename);
    Append(out, record.extrafield);
    Append(out, record.fileComment);
  }

  TEndOfCentralDir& end = endOfCentralDirectory_;
  end = {};
  end.EndOfCentralDirSignature = kEndOfCentralDirSignature;
  end.TotalNumberOfEntriesOnThisDisk = static_cast<uint16_t>(Count());
  end.TotalNumberOfEntries = static_cast<uint16_t>(Count());
  end.SizeOfTheCentralDirectory = static_cast<uint32_t>(out.size() - base - directoryStart);
  end.OffsetOfStartOfCentralDirectory = static_cast<uint32_t>(directoryStart);
  end.ZipfileCommentLength = static_cast<uint16_t>(zipFileComment_.size());
  Append(out, end);
  Append(out, zipFileComment_);
}

void TZipFile::SaveToStream(std::ostream& stream) {
  Bytes data;
  SaveToBytes(data);
  stream.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void TZipFile::SaveToFile(const std::string& fileName) {
  Bytes data;
  SaveToBytes(data);
  if (!WriteFileBytes(Wide(fileName), data)) throw EZipFileError("Cannot create file " + fileName);
}

// ---- entries

int TZipFile::AddFile(std::string name, uint32_t attribute) {
  CheckNameLength(name);
  TLocalFile& entry = files_.emplace_back();
  entry.filename = std::move(name);
  TCommonFileHeader& header = entry.CommonFileHeader;
  header.VersionNeededToExtract = kVersion;
  header.CompressionMethod = kMethodDeflate;
  header.LastModFileTimeDate = CurrentDosDateTime();
  header.FilenameLength = static_cast<uint16_t>(entry.filename.size());

  TFileHeader& record = centralDirectory_.emplace_back();
  record.CommonFileHeader = header;
  record.Tail.ExternalFileAttributes = attribute;
  record.filename = entry.filename;
  names_.Append(Count() - 1, entry.filename);
  return Count() - 1;
}

void TZipFile::RefreshCentralRecord(int index) {
  const TLocalFile& entry = files_[index];
  TFileHeader& record = centralDirectory_[index];
  const uint32_t attributes = record.Tail.ExternalFileAttributes;
  record.CentralFileHeaderSignature = kCentralFileHeaderSignature;
  record.VersionMadeBy = kVersion;
  record.CommonFileHeader = entry.CommonFileHeader;
  record.Tail = {};
  record.Tail.ExternalFileAttributes = attributes;
  record.filename = entry.filename;
  record.extrafield = entry.extrafield;
  record.fileComment.clear();
}

void TZipFile::StoreEntry(int index, std::span<const uint8_t> data) {
  CheckIndex(index);
  // Sizes are 32-bit fields; larger data cannot be described.
  if (data.size() > std::numeric_limits<uint32_t>::max()) throw EZipFileError("Entry too large");
  TLocalFile& entry = files_[index];
  uint32_t crc = 0;
  Bytes compressed = RawDeflate(data, kDefaultCompression, &crc);
  if (compressed.size() > std::numeric_limits<uint32_t>::max()) throw EZipFileError("Entry too large");
  entry.CompressedData = std::move(compressed);
  entry.DataPending = false;
  entry.LocalFileHeaderSignature = kLocalFileHeaderSignature;
  TCommonFileHeader& header = entry.CommonFileHeader;
  header.VersionNeededToExtract = kVersion;
  header.GeneralPurposeBitFlag = 0;
  header.CompressionMethod = kMethodDeflate;
  header.LastModFileTimeDate = CurrentDosDateTime();
  header.FileDescriptor.Crc32 = crc;
  header.FileDescriptor.CompressedSize = static_cast<uint32_t>(entry.CompressedData.size());
  header.FileDescriptor.UncompressedSize = static_cast<uint32_t>(data.size());
  header.FilenameLength = static_cast<uint16_t>(entry.filename.size());
  header.ExtraFieldLength = static_cast<uint16_t>(entry.extrafield.size());
  RefreshCentralRecord(index);
}

Bytes TZipFile::ExtractEntry(int index) const {
  CheckIndex(index);
  const TLocalFile& entry = files_[index];
  const TFileDescriptor& descriptor = entry.CommonFileHeader.FileDescriptor;
  std::span<const uint8_t> stored = StoredData(entry);
  // Data that ends before the size its header gives, or goes on after it, is as damaged as a
  // wrong checksum.
  if (entry.CommonFileHeader.CompressionMethod == kMethodStored) {
    if (stored.size() != descriptor.UncompressedSize || Crc32(stored) != descriptor.Crc32)
      throw EZipFileCRCError(CrcErrorMessage(entry.filename));
    return Bytes(stored.begin(), stored.end());
  }
  InflateResult inflated = RawInflate(stored, descriptor.UncompressedSize);
  if (inflated.overrun || inflated.data.size() != descriptor.UncompressedSize ||
      inflated.crc != descriptor.Crc32)
    throw EZipFileCRCError(CrcErrorMessage(entry.filename));
  return std::move(inflated.data);
}

const std::string& TZipFile::EntryName(int index) const {
  CheckIndex(index);
  return files_[index].filename;
}

void TZipFile::RenameEntry(int index, std::string name) {
  CheckIndex(index);
  CheckNameLength(name);
  TLocalFile& entry = files_[index];
  names_.Rename(index, entry.filename, name);
  entry.filename = std::move(name);
  entry.CommonFileHeader.FilenameLength = static_cast<uint16_t>(entry.filename.size());
  TFileHeader& record = centralDirectory_[index];
  record.filename = entry.filename;
  record.CommonFileHeader.FilenameLength = entry.CommonFileHeader.FilenameLength;
}

Date TZipFile::EntryDate(int index) const {
  CheckIndex(index);
  return DosDateTimeToDate(files_[index].CommonFileHeader.LastModFileTimeDate);
}

void TZipFile::SetEntryDate(int index, Date date) {
  CheckIndex(index);
  const uint32_t value = DateToDosDateTime(date);
  files_[index].CommonFileHeader.LastModFileTimeDate = value;
  centralDirectory_[index].CommonFileHeader.LastModFileTimeDate = value;
}

// "*.ext" looks for a suffix; any other name for the whole name. Letter case does not matter.
int TZipFile::IndexOfName(std::string_view name) const {
  if (name.size() < 2 || name[0] != '*' || name[1] != '.') return names_.Find(name);
  const std::string_view suffix = name.substr(1);
  const std::string key = ZipNameIndex::Key(suffix);
  for (int i = 0; i < Count(); ++i) {
    const std::string& candidate = files_[i].filename;
    if (candidate.size() >= suffix.size() &&
        ZipNameIndex::Key(std::string_view(candidate).substr(candidate.size() - suffix.size())) == key)
      return i;
  }
  return -1;
}

}  // namespace ulka
