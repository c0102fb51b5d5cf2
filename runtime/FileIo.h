// The file access the resource engine needs: a read-only mapping of a whole file. Files are
// replaced through ReplaceFile (automation/Files.h), as every file the runtime writes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ulka {

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  ~MappedFile();

  // Maps a regular file for reading; with `lockForUpdate` the file must also be writable and is
  // locked against other updaters until the mapping is closed. False when any of that fails, and
  // at once for anything but a regular file (a pipe never blocks the open).
  bool Open(const std::string& path, bool lockForUpdate = false);
  void Close();

  std::span<const uint8_t> Bytes() const { return {data_, size_}; }
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  std::string path_;
};

}  // namespace ulka
