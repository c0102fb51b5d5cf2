#include "archive/ZipReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ulka {

namespace {

constexpr uint32_t kZip64EndOfCentralDirSignature = 0x06064B50;
constexpr uint32_t kZip64EndLocatorSignature = 0x07064B50;
constexpr uint32_t kArchiveExtraDataSignature = 0x08064B50;
constexpr uint32_t kDigitalSignatureSignature = 0x05054B50;
constexpr uint32_t kSizeUnknown = 0xFFFFFFFF;  // a zip64 entry: its real size is elsewhere

constexpr size_t kEndRecordSize = sizeof(TEndOfCentralDir);
constexpr size_t kCentralRecordSize = 46;  // signature, version made by, common header, tail
constexpr size_t kMaxCommentLength = 0xFFFF;

// Offsets inside a central record.
constexpr size_t kCentralCompressedSize = 20;
constexpr size_t kCentralNameLength = 28;
constexpr size_t kCentralExtraLength = 30;
constexpr size_t kCentralCommentLength = 32;
constexpr size_t kCentralLocalOffset = 42;

uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

uint32_t ZipReader::Peek32(size_t at) const {
  Need(at, 4);
  return Load32(data_.data() + at);
}

uint32_t ZipReader::Next32() {
  uint32_t value = 0;
  size_t n = std::min<size_t>(4, data_.size() - pos_);
  Need(pos_, n);
  std::memcpy(&value, data_.data() + pos_, n);
  pos_ += n;
  return value;
}

template <class T>
bool ZipReader::ReadBlock(T& block) {
  if (!Has(sizeof(T))) return false;
  Need(pos_, sizeof(T));
  std::memcpy(&block, data_.data() + pos_, sizeof(T));
  pos_ += sizeof(T);
  return true;
}

bool ZipReader::ReadString(size_t length, std::string& out) {
  if (!Has(length)) return false;
  Need(pos_, length);
  out.assign(reinterpret_cast<const char*>(data_.data() + pos_), length);
  pos_ += length;
  return true;
}

std::optional<ZipContents> ZipReader::Read() {
  if (!FindFirstLocalHeader()) return std::nullopt;
  IndexCentralSizes();

  ZipContents contents;
  bool complete = true;
  while (signature_ == kLocalFileHeaderSignature) {
    TLocalFile& entry = contents.files.emplace_back();
    if (!ReadLocalEntry(entry)) {
      contents.files.pop_back();
      complete = false;
      break;
    }
    signature_ = Next32();
  }
  while (complete && signature_ == kCentralFileHeaderSignature) {
    TFileHeader record;
    if (!ReadCentralRecord(record)) {
      complete = false;
      break;
    }
    // Records beyond the local entries have no entry to belong to.
    if (contents.centralDirectory.size() < contents.files.size())
      contents.centralDirectory.push_back(std::move(record));
    signature_ = Next32();
  }
  if (complete && signature_ == kEndOfCentralDirSignature) ReadEndRecord(contents);

  // Entries without a central record of their own get one made from the local header.
  for (size_t i = contents.centralDirectory.size(); i < contents.files.size(); ++i) {
    const TLocalFile& entry = contents.files[i];
    TFileHeader& record = contents.centralDirectory.emplace_back();
    record.CommonFileHeader = entry.CommonFileHeader;
    record.filename = entry.filename;
    record.extrafield = entry.extrafield;
  }
  return contents;
}

// The first local header at a 4-byte step from the start.
bool ZipReader::FindFirstLocalHeader() {
  pos_ = 0;
  while (pos_ < data_.size()) {
    signature_ = Next32();
    if (pos_ == data_.size()) return false;
    if (signature_ == kLocalFileHeaderSignature) return true;
  }
  return false;
}

bool ZipReader::ReadLocalEntry(TLocalFile& entry) {
  const size_t headerAt = pos_ - 4;
  TCommonFileHeader& header = entry.CommonFileHeader;
  if (!ReadBlock(header) || !ReadString(header.FilenameLength, entry.filename) ||
      !ReadString(header.ExtraFieldLength, entry.extrafield))
    return false;
  if (!(header.GeneralPurposeBitFlag & kFlagDataDescriptor))
    return ReadSizedData(entry, header.FileDescriptor.CompressedSize);

  auto known = centralSizes_.find(headerAt);
  if (known != centralSizes_.end() && Has(known->second)) {
    const size_t dataAt = pos_;
    if (ReadSizedData(entry, known->second) && ReadDescriptorAfterKnownSize(entry)) return true;
    // The directory's size does not lead to a descriptor: it is not to be trusted.
    pos_ = dataAt;
    entry.CommonFileHeader.FileDescriptor = {};
  }
  return ScanForDescriptor(entry);
}

bool ZipReader::ReadSizedData(TLocalFile& entry, size_t size) {
  if (!Has(size)) return false;
  if (source_) {
    entry.CompressedData.clear();
    entry.DataPending = true;
    entry.DataOffset = pos_;
    entry.DataSize = size;
  } else {
    entry.CompressedData.assign(data_.begin() + pos_, data_.begin() + pos_ + size);
  }
  pos_ += size;
  return true;
}

bool ZipReader::FollowedByRecord(size_t at) const {
  if (at + 4 > data_.size()) return false;
  switch (Peek32(at)) {
    case kLocalFileHeaderSignature:
    case kCentralFileHeaderSignature:
    case kEndOfCentralDirSignature:
    case kZip64EndOfCentralDirSignature:
    case kZip64EndLocatorSignature:
    case kArchiveExtraDataSignature:
    case kDigitalSignatureSignature:
      return true;
    default:
      return false;
  }
}

// The descriptor after data whose size is known: its signature is optional, and streaming
// writers give it 64-bit sizes when the entry's size was unknown in advance. Without the
// signature, the descriptor must be followed by another record to be believed.
bool ZipReader::ReadDescriptorAfterKnownSize(TLocalFile& entry) {
  const bool hasSignature = Has(4) && Peek32(pos_) == kDataDescriptorSignature;
  const size_t body = pos_ + (hasSignature ? 4 : 0);
  const size_t left = data_.size() - body;
  bool wide;
  if (left >= 12 && FollowedByRecord(body + 12)) {
    wide = false;
  } else if (left >= 20 && FollowedByRecord(body + 20)) {
    wide = true;
  } else if (hasSignature && left >= 12) {
    wide = false;
  } else {
    return false;
  }
  TFileDescriptor& descriptor = entry.CommonFileHeader.FileDescriptor;
  Need(body, wide ? 20 : 12);
  const uint8_t* p = data_.data() + body;
  descriptor.Crc32 = Load32(p);
  descriptor.UncompressedSize = Load32(p + (wide ? 12 : 8));
  descriptor.CompressedSize = static_cast<uint32_t>(entry.StoredSize());
  pos_ = body + (wide ? 20 : 12);
  return true;
}

// Without a known size the data runs to the first descriptor signature.
bool ZipReader::ScanForDescriptor(TLocalFile& entry) {
  Need(pos_, data_.size() - pos_);
  std::string_view rest(reinterpret_cast<const char*>(data_.data() + pos_), data_.size() - pos_);
  size_t found = rest.find(std::string_view("PK\x07\x08", 4));
  if (found == std::string_view::npos) return false;
  if (!ReadSizedData(entry, found)) return false;
  pos_ += 4;
  TFileDescriptor& descriptor = entry.CommonFileHeader.FileDescriptor;
  if (!ReadBlock(descriptor)) return false;
  // The data written back is exactly the data read.
  descriptor.CompressedSize = static_cast<uint32_t>(entry.StoredSize());
  return true;
}

bool ZipReader::ReadCentralRecord(TFileHeader& record) {
  record.CentralFileHeaderSignature = kCentralFileHeaderSignature;
  return ReadBlock(record.VersionMadeBy) && ReadBlock(record.CommonFileHeader) &&
         ReadBlock(record.Tail) &&
         ReadString(record.CommonFileHeader.FilenameLength, record.filename) &&
         ReadString(record.CommonFileHeader.ExtraFieldLength, record.extrafield) &&
         ReadString(record.Tail.FileCommentLength, record.fileComment);
}

void ZipReader::ReadEndRecord(ZipContents& contents) {
  TEndOfCentralDir& end = contents.endOfCentralDirectory;
  constexpr size_t kRest = kEndRecordSize - 4;
  if (!Has(kRest)) return;
  end.EndOfCentralDirSignature = kEndOfCentralDirSignature;
  Need(pos_, kRest);
  std::memcpy(reinterpret_cast<uint8_t*>(&end) + 4, data_.data() + pos_, kRest);
  pos_ += kRest;
  size_t length = std::min<size_t>(end.ZipfileCommentLength, data_.size() - pos_);
  ReadString(length, contents.zipFileComment);
}

// Finds the end record from the back of the data and notes, for every central record, the
// compressed size under the position of its local header. A prefix before the archive shifts
// all positions; it shows as the gap between where the directory is and where it says it is.
void ZipReader::IndexCentralSizes() {
  const size_t n = data_.size();
  if (n < kEndRecordSize) return;
  const size_t lowest = n > kEndRecordSize + kMaxCommentLength ? n - kEndRecordSize - kMaxCommentLength : 0;
  for (size_t at = n - kEndRecordSize + 1; at-- > lowest;) {
    if (Peek32(at) != kEndOfCentralDirSignature) continue;
    TEndOfCentralDir end;
    Need(at, kEndRecordSize);
    std::memcpy(&end, data_.data() + at, kEndRecordSize);
    const size_t size = end.SizeOfTheCentralDirectory;
    const size_t offset = end.OffsetOfStartOfCentralDirectory;
    if (size > at) continue;
    size_t start = at - size;
    size_t candidates[2] = {offset, start};
    for (size_t directory : candidates) {
      if (directory < offset || directory + 4 > at || Peek32(directory) != kCentralFileHeaderSignature)
        continue;
      const size_t shift = directory - offset;
      for (size_t p = directory; p + kCentralRecordSize <= n && Peek32(p) == kCentralFileHeaderSignature;) {
        Need(p, kCentralRecordSize);
        const uint8_t* r = data_.data() + p;
        uint32_t compressed = Load32(r + kCentralCompressedSize);
        size_t local = static_cast<size_t>(Load32(r + kCentralLocalOffset)) + shift;
        if (compressed != kSizeUnknown) centralSizes_.emplace(local, compressed);
        p += kCentralRecordSize + Load16(r + kCentralNameLength) + Load16(r + kCentralExtraLength) +
             Load16(r + kCentralCommentLength);
      }
      return;
    }
  }
}

}  // namespace ulka
