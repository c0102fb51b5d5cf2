#include "automation/Files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <system_error>

#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Close(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  bool Close() {
    if (fd_ < 0) return true;
    int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

[[noreturn]] void FailRangeCheck() { Fail(msg::kRangeCheckError); }

// A buffer for a large file asks for huge pages first: faulting in a file's worth of fresh small
// pages costs several times what reading the file does.
void PreferHugePages(Bytes& bytes, size_t size) {
  constexpr uintptr_t kHugePage = 2 << 20;
  if (size < 4 * kHugePage) return;
  bytes.reserve(size);
  const auto start = reinterpret_cast<uintptr_t>(bytes.data());
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (start + size) & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

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
  PreferHugePages(bytes, sizeHint);
  bytes.resize(sizeHint);
  size_t used = 0;
  while (used < bytes.size()) {
    ssize_t got = readSome(bytes.data() + used, bytes.size() - used);
    if (got < 0) return false;
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  if (used < bytes.size()) {
    bytes.resize(used);
    return true;
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
// the program creates.
int CreateTemporaryBeside(const std::filesystem::path& target, std::string& tempName) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, ".%012llx", static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    std::string name = ".";
    name.append(target.filename().string()).append(suffix).append(".tmp");
    tempName = (folder / name).string();
    int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writing "through" a symbolic link replaces the file it points to, not the link.
std::filesystem::path ResolveLink(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  auto target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target;
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

bool ReadFileBytes(const WideString& fileName, Bytes& bytes) {
  bytes.clear();
  const std::string path = Utf8(fileName);
  // Non-blocking, so that opening a pipe cannot hang; such a path is refused below anyway.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    FailRangeCheck();
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) FailRangeCheck();
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  // The size is only a hint: files under /proc report 0 and still have contents.
  if (!ReadToEnd(fd.get(), bytes, static_cast<size_t>(info.st_size))) {
    bytes.clear();
    FailRangeCheck();
  }
  return true;
}

bool WriteFileBytes(const WideString& fileName, std::span<const uint8_t> bytes) {
  if (fileName.empty()) return false;
  const std::filesystem::path target = ResolveLink(std::filesystem::path(Utf8(fileName)));
  std::error_code error;
  if (target.has_parent_path()) {
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) return false;
  }
  std::string tempName;
  FileDescriptor fd(CreateTemporaryBeside(target, tempName));
  if (!fd) return false;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    ::fchmod(fd.get(), existing.st_mode & 07777);
  bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  written = fd.Close() && written;
  if (!written || ::rename(tempName.c_str(), target.c_str()) != 0) {
    ::unlink(tempName.c_str());
    return false;
  }
  return true;
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
