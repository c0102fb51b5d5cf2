#include "runtime/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace ulka {

MappedFile::MappedFile(MappedFile&& other) noexcept { *this = std::move(other); }

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    path_ = std::move(other.path_);
  }
  return *this;
}

MappedFile::~MappedFile() { Close(); }

bool MappedFile::Open(const std::string& path, bool lockForUpdate) {
  Close();
  fd_ = ::open(path.c_str(), (lockForUpdate ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st{};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) ||
      (lockForUpdate && ::flock(fd_, LOCK_EX | LOCK_NB) != 0)) {
    Close();
    return false;
  }
  path_ = path;
  size_ = static_cast<size_t>(st.st_size);
  if (size_ == 0) return true;
  void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
  if (p == MAP_FAILED) {
    Close();
    return false;
  }
  data_ = static_cast<const uint8_t*>(p);
  return true;
}

void MappedFile::Close() {
  if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  fd_ = -1;
  data_ = nullptr;
  size_ = 0;
  path_.clear();
}

namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool ReplaceFile(const std::string& link, std::span<const std::span<const uint8_t>> parts) {
  // Through a symbolic link the file it names is replaced, not the link.
  char* resolved = ::realpath(link.c_str(), nullptr);
  if (!resolved) return false;
  std::string path = resolved;
  std::free(resolved);
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, st.st_mode & 07777) == 0;
  for (auto part : parts) ok = ok && WriteAll(fd, part);
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace ulka
