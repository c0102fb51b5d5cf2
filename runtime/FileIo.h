// The file access the resource engine needs: a read-only mapping of a whole file, and the
// replacement of a file's contents through a temporary file in the same folder.
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
  // locked against other updaters until the mapping is closed. False when any of that fails.
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

// Writes `parts` one after another into a new file beside `path`, gives it the old file's mode and
// renames it over `path`. On any failure the old file is untouched and the answer is false.
bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts);

}  // namespace ulka
