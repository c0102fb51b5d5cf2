#include "desktop/FsItem.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "automation/Unicode.h"
#include "desktop/DesktopErrors.h"
#include "desktop/FsDrive.h"
#include "desktop/FsFolder.h"
#include "desktop/FsPaths.h"
#include "platform/Shell.h"

namespace ulka {
namespace {

Date TimeToDate(const statx_timestamp& time) {
  const Date whole = UnixTimeToDate(time.tv_sec);
  return Date{whole.value + static_cast<double>(time.tv_nsec) / 86400e9};
}

struct statx StatOf(const std::string& path) {
  struct statx info {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
    FailSystemError(errno, DesktopError::FileNotFound);
  return info;
}

}  // namespace

TFsItem::TFsItem(const InterfaceInfo& info, const WideString& path, bool folder)
    : TVekObject(info), FPath(AbsolutePathOf(path)), FFolder(folder) {}

std::string TFsItem::CheckedPath() const {
  const std::string path = SystemPath(FPath);
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0 || ::lstat(path.c_str(), &info) == 0;
  if (!exists || S_ISDIR(info.st_mode) != FFolder)
    FailDesktop(FFolder ? DesktopError::PathNotFound : DesktopError::FileNotFound);
  return path;
}

WideString TFsItem::GetName() { return FileNameOf(FPath); }

void TFsItem::SetName(const WideString& Value) {
  const std::string from = CheckedPath();
  if (Value.empty() || Value == u"." || Value == u".." || Value.find_first_of(u"/\\") != WideString::npos)
    FailDesktop(DesktopError::BadFileName);
  const WideString renamed = BuildPathOf(ParentOf(FPath), Value);
  const std::string to = SystemPath(renamed);
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0) FailDesktop(DesktopError::FileAlreadyExists);
  if (std::rename(from.c_str(), to.c_str()) != 0) FailSystemError(errno, DesktopError::FileNotFound);
  FPath = renamed;
}

Ref<IDispatch> TFsItem::GetParentFolder() {
  CheckedPath();
  const WideString parent = ParentOf(FPath);
  if (parent.empty()) return nullptr;
  return MakeRef<TFsFolder>(parent);
}

WideString TFsItem::GetType() { return Wide(FileTypeDescription(CheckedPath())); }

Date TFsItem::GetDateCreated() {
  const struct statx info = StatOf(CheckedPath());
  if (info.stx_mask & STATX_BTIME) return TimeToDate(info.stx_btime);
  // Without a birth time the earlier of the change and modification times comes closest.
  const bool changedFirst = info.stx_ctime.tv_sec < info.stx_mtime.tv_sec;
  return TimeToDate(changedFirst ? info.stx_ctime : info.stx_mtime);
}

Date TFsItem::GetDateLastModified() { return TimeToDate(StatOf(CheckedPath()).stx_mtime); }

Date TFsItem::GetDateLastAccessed() { return TimeToDate(StatOf(CheckedPath()).stx_atime); }

int32_t TFsItem::GetAttributes() {
  const std::string path = CheckedPath();
  struct stat info {};
  int32_t attributes = 0;
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) attributes |= kAttrAlias;
  if (::stat(path.c_str(), &info) == 0) {
    if (!(info.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
    if (S_ISDIR(info.st_mode)) attributes |= kAttrDirectory;
  }
  const WideString name = GetName();
  if (!name.empty() && name[0] == u'.') attributes |= kAttrHidden;
  return attributes;
}

void TFsItem::SetAttributes(int32_t Value) {
  const std::string path = CheckedPath();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) FailSystemError(errno, DesktopError::FileNotFound);
  mode_t mode = info.st_mode & 07777;
  mode = (Value & kAttrReadOnly) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
  if (mode != (info.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0)
    FailSystemError(errno, DesktopError::FileNotFound);
}

Ref<IDispatch> TFsItem::GetDrive() { return MakeRef<TFsDrive>(MountOf(CheckedPath())); }

}  // namespace ulka
