#include "runtime/FileIo.h"

#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "automation/Files.h"

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
  FileDescriptor opened = OpenRegularFile(path, lockForUpdate);
  if (!opened) return false;
  fd_ = opened.Release();
  struct stat st{};
  if (::fstat(fd_, &st) != 0 || (lockForUpdate && ::flock(fd_, LOCK_EX | LOCK_NB) != 0)) {
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

}  // namespace ulka
