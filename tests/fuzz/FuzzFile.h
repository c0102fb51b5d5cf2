// A file holding the fuzz input, for entries that read files by name: one per process, in memory
// (/dev/shm) unless TMPDIR says otherwise, rewritten for every input and removed at exit.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace ulka::fuzz {

class InputFile {
 public:
  InputFile() {
    const char* folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path_ = std::string(folder) + "/ulka-fuzz-XXXXXX";
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) std::abort();
  }
  ~InputFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& Write(const uint8_t* data, size_t size) {
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    return path_;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace ulka::fuzz
