#include "data/FileList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>

#include "automation/ByteConvert.h"
#include "automation/Encodings.h"
#include "automation/Files.h"
#include "automation/Unicode.h"

namespace ulka {

const InterfaceInfo& TFileInfo::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TFileInfo>("IFileInfo", "{CBB60B77-5271-45F1-A692-70842ADD71D1}")
          .Getter(201, "Name", &TFileInfo::GetName)
          .Getter(202, "Path", &TFileInfo::GetPath)
          .Getter(203, "FullName", &TFileInfo::GetFullName)
          .Getter(204, "Size", &TFileInfo::GetSize)
          .Getter(205, "Date", &TFileInfo::GetDate)
          .Getter(206, "Hash", &TFileInfo::GetHash).ReturnsBytes()
          .Property(207, "Selected", &TFileInfo::GetSelected, &TFileInfo::SetSelected)
          .Getter(208, "Extension", &TFileInfo::GetExtension)
          .Getter(209, "FileName", &TFileInfo::GetFileName)
          .Build();
  return info;
}

const InterfaceInfo& TFileList::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TFileList>("IFileList", "{26F155B6-B000-4C7B-9EDE-AC134FB47CFD}",
                                  "Dispatch interface for FileList Object")
          .Method(201, "Add", &TFileList::Add, {Arg("Mask"), Opt("Subfolders", false)})
          .Method(202, "RemoveAt", &TFileList::RemoveAt, {Arg("Index")})
          .Getter(0, "Items", &TFileList::GetItems, {Arg("Index")})
          .Getter(204, "Length", &TFileList::GetLength)
          .Method(205, "RemoveAll", &TFileList::RemoveAll)
          .Build();
  return info;
}

namespace {

constexpr char16_t kDelimiter = u'/';

// The last-write time as the local date the MS-DOS form of it keeps (2-second resolution).
Date LocalDosDate(time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  const int64_t y = local.tm_year + 1900 - (local.tm_mon < 2 ? 1 : 0);
  const int64_t m = local.tm_mon + 1;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + local.tm_mday - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t unixDays = era * 146097 + dayOfEra - 719468;
  constexpr int64_t kUnixEpochAsDate = 25569;  // 1 January 1970 counted from 30 December 1899
  const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec & ~1);
  return Date{static_cast<double>(unixDays + kUnixEpochAsDate) + seconds / 86400.0};
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct FoundFile {
  std::string name;
  int64_t size;
  time_t modified;
};

struct FolderContents {
  std::vector<FoundFile> files;
  std::vector<std::string> folders;
};

bool IsHidden(const char* name) { return name[0] == '.'; }

// A regular file, also through a symbolic link; sockets, devices and pipes are no files here.
bool StatRegularFile(int dirFd, const char* name, struct stat& info) {
  return fstatat(dirFd, name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

// A real folder; links to folders are not followed, so a link loop cannot make a walk endless.
bool IsFolder(int dirFd, const dirent* entry) {
  if (entry->d_type == DT_DIR) return true;
  if (entry->d_type != DT_UNKNOWN) return false;
  struct stat info;
  return fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
}

// Reads one folder completely and closes it before any subfolder is opened. Names come back
// sorted so that lists are the same on every run and file system.
FolderContents ReadFolder(const std::string& folder, std::u16string_view pattern, bool withFolders) {
  FolderContents contents;
  DirHandle dir(opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return contents;
  const int dirFd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    const char* name = entry->d_name;
    if (std::string_view(name) == "." || std::string_view(name) == "..") continue;
    if (withFolders && IsFolder(dirFd, entry)) {
      contents.folders.emplace_back(name);
      continue;
    }
    if (IsHidden(name) || entry->d_type == DT_DIR || !MatchesMask(Wide(name), pattern)) continue;
    struct stat info;
    if (StatRegularFile(dirFd, name, info))
      contents.files.push_back({name, static_cast<int64_t>(info.st_size), info.st_mtime});
  }
  std::sort(contents.files.begin(), contents.files.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  std::sort(contents.folders.begin(), contents.folders.end());
  return contents;
}

class FileSearch {
 public:
  FileSearch(const WideString& base, std::u16string_view pattern, bool subfolders,
             std::vector<Ref<TFileInfo>>& out)
      : base_(base), baseUtf8_(Utf8(base)), pattern_(pattern), subfolders_(subfolders), out_(out) {}

  void Visit(const std::string& relative) {
    FolderContents contents = ReadFolder(baseUtf8_ + relative, pattern_, subfolders_);
    const WideString path = base_ + Wide(relative);
    for (const FoundFile& file : contents.files)
      out_.push_back(MakeRef<TFileInfo>(path, Wide(file.name), file.size, LocalDosDate(file.modified)));
    for (const std::string& folder : contents.folders) Visit(relative + folder + '/');
  }

 private:
  WideString base_;
  std::string baseUtf8_;
  std::u16string_view pattern_;
  bool subfolders_;
  std::vector<Ref<TFileInfo>>& out_;
};

size_t ExtensionStart(std::u16string_view fileName) {
  const size_t dot = fileName.rfind(u'.');
  return dot == std::u16string_view::npos ? fileName.size() : dot;
}

}  // namespace

bool MatchesMask(std::u16string_view name, std::u16string_view mask) {
  if (mask == u"*.*") return true;
  size_t n = 0, m = 0;
  size_t starMask = std::u16string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || UpperChar(mask[m]) == UpperChar(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::u16string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

TFileInfo::TFileInfo(WideString APath, WideString AFileName, int64_t ASize, Date ADate)
    : TVekObject(Info()), FPath(std::move(APath)), FFileName(std::move(AFileName)), FSize(ASize),
      FDate(ADate) {}

WideString TFileInfo::GetName() { return FFileName.substr(0, ExtensionStart(FFileName)); }

WideString TFileInfo::GetExtension() { return FFileName.substr(ExtensionStart(FFileName)); }

Variant TFileInfo::GetHash() {
  if (FHash.empty()) {
    Bytes content;
    ReadFileBytes(GetFullName(), content);  // a file gone since the search hashes as no bytes
    FHash = Md5Bytes(content);
  }
  return BytesToVar(FHash);
}

int32_t TFileList::Add(const WideString& Mask, bool Subfolders) {
  const size_t split = Mask.rfind(kDelimiter);
  const size_t patternStart = split == WideString::npos ? 0 : split + 1;
  const WideString base = Mask.substr(0, patternStart);
  const size_t before = FItems.size();
  FileSearch(base, std::u16string_view(Mask).substr(patternStart), Subfolders, FItems).Visit("");
  return static_cast<int32_t>(FItems.size() - before);
}

void TFileList::CheckIndex(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FItems.size()) FailIndex(index);
}

void TFileList::RemoveAt(int32_t Index) {
  CheckIndex(Index);
  FItems.erase(FItems.begin() + Index);
}

Ref<TFileInfo> TFileList::GetItems(int32_t Index) {
  CheckIndex(Index);
  return FItems[Index];
}

}  // namespace ulka
