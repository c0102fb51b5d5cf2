#include "automation/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "automation/LargeBuffer.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

[[noreturn]] void FailRangeCheck() { Fail(msg::kRangeCheckError); }

// Reads the hinted size straight into place, then whatever more there is through a small buffer
// (a file that grew, or one under /proc that reports no size): a file of just the hinted size is
// never moved into a larger buffer only to find its end.
bool ReadToEnd(int fd, Bytes& bytes, size_t sizeHint) {
  auto readSome = [fd](uint8_t* into, size_t count) {
    ssize_t got;
    do {
      got = ::read(fd, into, count);
    } while (got < 0 && errno == EINTR);
    return got;
  };
  // The buffer grows a cache-sized piece at a time and each piece is read into while its zero
  // fill is still in the cache, so the file's bytes pass through memory once, not twice.
  constexpr size_t kPiece = size_t{1} << 20;
  ReserveLarge(bytes, sizeHint);
  size_t used = 0;
  while (used < sizeHint) {
    const size_t piece = std::min(kPiece, sizeHint - used);
    bytes.resize(used + piece);
    size_t filled = 0;
    while (filled < piece) {
      ssize_t got = readSome(bytes.data() + used + filled, piece - filled);
      if (got < 0) return false;
      if (got == 0) break;
      filled += static_cast<size_t>(got);
    }
    used += filled;
    if (filled < piece) {
      bytes.resize(used);
      return true;
    }
  }
  uint8_t more[64 * 1024];
  for (;;) {
    ssize_t got = readSome(more, sizeof more);
    if (got < 0) return false;
    if (got == 0) return true;
    bytes.insert(bytes.end(), more, more + got);
  }
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

// Opens a new, uniquely named file beside `target`; the umask applies to its mode as to any file
// the program creates. O_EXCL and O_NOFOLLOW: a name that exists, a link included, is never used.
FileDescriptor CreateTemporaryBeside(const std::filesystem::path& target, std::string& tempName) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, ".%012llx", static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    // Short enough for any name the folder takes: the target's own name may use all 255 bytes.
    std::string name = ".";
    name.append(target.filename().string().substr(0, 200)).append(suffix).append(".tmp");
    tempName = (folder / name).string();
    FileDescriptor fd(::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd || errno != EEXIST) return fd;
  }
  return FileDescriptor();
}

// The mode the replacement takes: that of the regular file at `path`, or of the regular file a
// link there points to (without set-id bits: the link's owner did not choose them for this name).
std::optional<mode_t> ModeToKeep(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  if (S_ISREG(info.st_mode)) return info.st_mode & 07777;
  if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
    return info.st_mode & 0777;
  return std::nullopt;
}

struct ShellOpenHook {
  std::mutex lock;
  ShellOpenHandler handler;
};

ShellOpenHook& TheShellOpenHook() {
  static ShellOpenHook hook;
  return hook;
}

}  // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool FileDescriptor::Close() {
  if (fd_ < 0) return true;
  int result = ::close(fd_);
  fd_ = -1;
  return result == 0;
}

FileDescriptor OpenRegularFile(const std::string& path, bool forUpdate) {
  // Opening a device can act on it (a tape rewinds, a watchdog starts): look first.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return FileDescriptor();
  }
  // Non-blocking, so that a pipe put in the file's place meanwhile cannot hang the open.
  FileDescriptor fd(::open(path.c_str(), (forUpdate ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return fd;
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    fd.Close();
    errno = EINVAL;
    return FileDescriptor();
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool ReadFileBytes(const WideString& fileName, Bytes& bytes) {
  bytes.clear();
  FileDescriptor fd = OpenRegularFile(Utf8(fileName));
  if (!fd) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    FailRangeCheck();
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) FailRangeCheck();
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  // The size is only a hint: files under /proc report 0 and still have contents.
  if (!ReadToEnd(fd.get(), bytes, static_cast<size_t>(info.st_size))) {
    bytes.clear();
    FailRangeCheck();
  }
  return true;
}

bool FileReplacement::Begin(const std::string& path) {
  Abandon();
  const std::filesystem::path target(path);
  if (!target.has_filename()) {
    errno = EINVAL;
    return false;
  }
  fd_ = CreateTemporaryBeside(target, tempName_);
  if (!fd_) return false;
  path_ = path;
  failed_ = false;
  if (std::optional<mode_t> mode = ModeToKeep(path)) SetMode(*mode);
  return !failed_;
}

bool FileReplacement::SetMode(unsigned mode) {
  if (!fd_ || ::fchmod(fd_.get(), static_cast<mode_t>(mode)) != 0) failed_ = true;
  return !failed_;
}

bool FileReplacement::Write(std::span<const uint8_t> bytes) {
  if (!fd_ || !WriteAll(fd_.get(), bytes)) failed_ = true;
  return !failed_;
}

bool FileReplacement::CopyCurrent() {
  FileDescriptor current = OpenRegularFile(path_);
  if (!current) return errno == ENOENT;
  uint8_t buffer[65536];
  for (;;) {
    ssize_t got = ::read(current.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!Write(std::span<const uint8_t>(buffer, static_cast<size_t>(got)))) return false;
  }
}

bool FileReplacement::Commit() {
  if (!fd_) return false;
  bool written = !failed_ && ::fsync(fd_.get()) == 0;
  written = fd_.Close() && written;
  // rename() replaces the name `path` itself, whatever it is; a link is not followed.
  if (!written || ::rename(tempName_.c_str(), path_.c_str()) != 0) {
    Abandon();
    return false;
  }
  tempName_.clear();
  return true;
}

FileDescriptor FileReplacement::PlaceAndKeepOpen() {
  if (!fd_ || failed_ || ::rename(tempName_.c_str(), path_.c_str()) != 0) {
    Abandon();
    return FileDescriptor();
  }
  tempName_.clear();
  return std::move(fd_);
}

void FileReplacement::Abandon() {
  fd_.Close();
  if (!tempName_.empty()) ::unlink(tempName_.c_str());
  tempName_.clear();
}

bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts) {
  FileReplacement replacement;
  if (!replacement.Begin(path)) return false;
  for (std::span<const uint8_t> part : parts) {
    if (!replacement.Write(part)) return false;
  }
  return replacement.Commit();
}

bool WriteFileBytes(const WideString& fileName, std::span<const uint8_t> bytes) {
  if (fileName.empty()) return false;
  const std::filesystem::path target(Utf8(fileName));
  std::error_code error;
  if (target.has_parent_path()) {
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) return false;
  }
  const std::span<const uint8_t> parts[] = {bytes};
  return ReplaceFile(target.string(), parts);
}

WideString GetModuleFile() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? WideString() : Wide(path.string());
}

void SetShellOpenHandler(ShellOpenHandler handler) {
  auto& hook = TheShellOpenHook();
  std::lock_guard guard(hook.lock);
  hook.handler = std::move(handler);
}

bool ShellOpen(const WideString& fileName, void* window) {
  ShellOpenHandler handler;
  {
    auto& hook = TheShellOpenHook();
    std::lock_guard guard(hook.lock);
    handler = hook.handler;
  }
  return handler ? handler(fileName, window) : false;
}

}  // namespace ulka
