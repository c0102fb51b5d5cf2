#include "desktop/FsOperations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "automation/Files.h"
#include "automation/Unicode.h"
#include "data/FileList.h"
#include "desktop/DesktopErrors.h"
#include "desktop/FsPaths.h"

namespace ulka {
namespace fs = std::filesystem;
namespace {

enum class EntryKind { File, Folder };

struct Sources {
  std::vector<fs::path> paths;
  bool several = false;  // named by a wildcard
};

DesktopError MissingError(EntryKind kind) {
  return kind == EntryKind::File ? DesktopError::FileNotFound : DesktopError::PathNotFound;
}

[[noreturn]] void Fail(const std::error_code& error, DesktopError whenMissing) {
  FailSystemError(error.value(), whenMissing);
}

// The path as the system takes it, without "/" at its end (except "/" itself).
fs::path PatternPath(const WideString& pattern) {
  if (pattern.empty()) FailDesktop(DesktopError::InvalidCall);
  std::string path = SystemPath(pattern);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return fs::path(path);
}

bool IsKind(const fs::path& path, EntryKind kind) {
  std::error_code error;
  const bool folder = fs::is_directory(path, error);
  if (kind == EntryKind::Folder) return folder;
  return !folder && fs::exists(fs::symlink_status(path, error));
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

Sources Expand(const WideString& pattern, EntryKind kind, SourceNames names) {
  const fs::path path = PatternPath(pattern);
  const std::string mask = path.filename().string();
  Sources sources;
  if (names == SourceNames::Exact || !HasWildcard(mask)) {
    if (!IsKind(path, kind)) FailDesktop(MissingError(kind));
    sources.paths.push_back(path);
    return sources;
  }
  sources.several = true;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) Fail(error, DesktopError::PathNotFound);
  const WideString wideMask = Wide(mask);
  for (const fs::directory_entry& entry : it) {
    if (MatchesMask(Wide(entry.path().filename().string()), wideMask) && IsKind(entry.path(), kind))
      sources.paths.push_back(entry.path());
  }
  if (sources.paths.empty()) FailDesktop(MissingError(kind));
  std::sort(sources.paths.begin(), sources.paths.end());
  return sources;
}

// Where one source goes: into the destination folder, or to the destination itself.
fs::path Target(const fs::path& source, const WideString& destination, bool into) {
  if (destination.empty()) FailDesktop(DesktopError::InvalidCall);
  const fs::path target = PatternPath(destination);
  if (!into) return target;
  std::error_code error;
  if (!fs::is_directory(target, error)) FailDesktop(DesktopError::PathNotFound);
  return target / source.filename();
}

bool EndsWithSlash(const WideString& path) { return !path.empty() && (path.back() == u'/' || path.back() == u'\\'); }

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

bool IsReadOnly(const fs::path& path) {
  std::error_code error;
  fs::file_status status = fs::symlink_status(path, error);
  return !error && status.type() != fs::file_type::symlink &&
         (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Whether `inner` is `outer` or lies inside it.
bool Inside(const fs::path& inner, const fs::path& outer) {
  std::error_code error;
  const fs::path a = fs::weakly_canonical(inner, error);
  const fs::path b = fs::weakly_canonical(outer, error);
  auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
  return mismatch.first == b.end();
}

// Reads only a regular file (a pipe or device as the source is refused, never blocked on), and
// writes the copy as a new file put in the target's place: a symbolic link there is replaced,
// never written through, and a failed copy leaves the old target as it was.
void CopyFileContents(const fs::path& source, const fs::path& target) {
  FileDescriptor from = OpenRegularFile(source.string());
  if (!from) FailSystemError(errno == EINVAL ? EACCES : errno, DesktopError::FileNotFound);
  struct stat info {};
  FileReplacement copy;
  if (::fstat(from.get(), &info) != 0 || !copy.Begin(target.string()) || !copy.SetMode(info.st_mode & 0777)) {
    FailSystemError(errno ? errno : EIO, DesktopError::PathNotFound);
  }
  std::vector<uint8_t> buffer(1 << 16);
  for (;;) {
    const ssize_t got = ::read(from.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) FailSystemError(errno, DesktopError::FileNotFound);
    if (got == 0) break;
    if (!copy.Write(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(got)))) FailSystemError(errno ? errno : EIO, DesktopError::PathNotFound);
  }
  if (!copy.Commit()) FailSystemError(errno ? errno : EIO, DesktopError::PathNotFound);
}

void CopyOneFile(const fs::path& source, const fs::path& target, bool overwrite) {
  std::error_code error;
  if (Exists(target)) {
    if (fs::equivalent(source, target, error) || fs::is_directory(target, error))
      FailDesktop(DesktopError::PermissionDenied);
    if (!overwrite) FailDesktop(DesktopError::FileAlreadyExists);
  }
  CopyFileContents(source, target);
}

void CopyTree(const fs::path& source, const fs::path& target, bool overwrite) {
  std::error_code error;
  if (Exists(target) && !fs::is_directory(target, error)) FailDesktop(DesktopError::FileAlreadyExists);
  if (!Exists(target)) {
    fs::create_directory(target, source, error);
    if (error) Fail(error, DesktopError::PathNotFound);
  }
  fs::directory_iterator it(source, error);
  if (error) Fail(error, DesktopError::PathNotFound);
  for (const fs::directory_entry& entry : it) {
    const fs::path to = target / entry.path().filename();
    const fs::file_status status = entry.symlink_status(error);
    if (fs::is_symlink(status)) {
      if (Exists(to)) {
        if (!overwrite) FailDesktop(DesktopError::FileAlreadyExists);
        fs::remove(to, error);
      }
      fs::copy_symlink(entry.path(), to, error);
      if (error) Fail(error, DesktopError::PathNotFound);
    } else if (fs::is_directory(status)) {
      CopyTree(entry.path(), to, overwrite);
    } else if (fs::is_regular_file(status)) {
      CopyOneFile(entry.path(), to, overwrite);
    }
  }
}

// A rename, or across file systems a copy and a delete.
void MoveEntry(const fs::path& source, const fs::path& target, EntryKind kind) {
  if (Exists(target)) FailDesktop(DesktopError::FileAlreadyExists);
  std::error_code error;
  fs::rename(source, target, error);
  if (!error) return;
  if (error != std::errc::cross_device_link) Fail(error, MissingError(kind));
  if (kind == EntryKind::File) CopyOneFile(source, target, false);
  else CopyTree(source, target, false);
  fs::remove_all(source, error);
  if (error) Fail(error, MissingError(kind));
}

}  // namespace

void CopyFiles(const WideString& source, const WideString& destination, bool overwrite, SourceNames names) {
  Sources sources = Expand(source, EntryKind::File, names);
  std::error_code error;
  const bool into = sources.several || EndsWithSlash(destination) ||
                    (!destination.empty() && fs::is_directory(PatternPath(destination), error));
  for (const fs::path& path : sources.paths) CopyOneFile(path, Target(path, destination, into), overwrite);
}

WideString MoveFiles(const WideString& source, const WideString& destination, SourceNames names) {
  Sources sources = Expand(source, EntryKind::File, names);
  std::error_code error;
  const bool into = sources.several || EndsWithSlash(destination) ||
                    (!destination.empty() && fs::is_directory(PatternPath(destination), error));
  fs::path target;
  for (const fs::path& path : sources.paths) {
    target = Target(path, destination, into);
    MoveEntry(path, target, EntryKind::File);
  }
  return Wide(target.string());
}

void DeleteFiles(const WideString& pattern, bool force, SourceNames names) {
  Sources sources = Expand(pattern, EntryKind::File, names);
  for (const fs::path& path : sources.paths) {
    if (!force && IsReadOnly(path)) FailDesktop(DesktopError::PermissionDenied);
    std::error_code error;
    fs::remove(path, error);
    if (error) Fail(error, DesktopError::FileNotFound);
  }
}

void CopyFolders(const WideString& source, const WideString& destination, bool overwrite, SourceNames names) {
  Sources sources = Expand(source, EntryKind::Folder, names);
  const bool into = sources.several || EndsWithSlash(destination);
  for (const fs::path& path : sources.paths) {
    const fs::path target = Target(path, destination, into);
    if (Inside(target, path)) FailDesktop(DesktopError::PermissionDenied);
    CopyTree(path, target, overwrite);
  }
}

WideString MoveFolders(const WideString& source, const WideString& destination, SourceNames names) {
  Sources sources = Expand(source, EntryKind::Folder, names);
  const bool into = sources.several || EndsWithSlash(destination);
  fs::path target;
  for (const fs::path& path : sources.paths) {
    target = Target(path, destination, into);
    if (Inside(target, path)) FailDesktop(DesktopError::PermissionDenied);
    MoveEntry(path, target, EntryKind::Folder);
  }
  return Wide(target.string());
}

void DeleteFolders(const WideString& pattern, bool force, SourceNames names) {
  Sources sources = Expand(pattern, EntryKind::Folder, names);
  for (const fs::path& path : sources.paths) {
    std::error_code error;
    if (fs::weakly_canonical(path, error) == fs::path("/")) FailDesktop(DesktopError::PermissionDenied);
    if (!force && IsReadOnly(path)) FailDesktop(DesktopError::PermissionDenied);
    fs::remove_all(path, error);
    if (error) Fail(error, DesktopError::PathNotFound);
  }
}

void MakeFolder(const WideString& path) {
  const fs::path folder = PatternPath(path);
  if (Exists(folder)) FailDesktop(DesktopError::FileAlreadyExists);
  std::error_code error;
  fs::create_directory(folder, error);
  if (error) Fail(error, DesktopError::PathNotFound);
}

}  // namespace ulka
