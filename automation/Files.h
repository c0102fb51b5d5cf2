// Whole-file reading and writing, the running executable's path, and the shell's "open".
#pragma once

#include <functional>
#include <span>
#include <string>
#include <utility>

#include "automation/Types.h"

namespace ulka {

// An open file descriptor, closed with its owner.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Close(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  bool Close();  // false when close itself reports an error (a write that did not land)
  int Release() { return std::exchange(fd_, -1); }  // the caller closes it

 private:
  int fd_ = -1;
};

// Every file a user or a script names is opened here. Only a regular file opens, and opening
// never blocks or touches anything else: a pipe, device, socket or folder is refused before it is
// opened, and again after (the path may change in between). On failure the descriptor is empty
// and errno is ENOENT or ENOTDIR for a missing file, EINVAL for one that is not regular, or what
// open() said. `forUpdate` opens for reading and writing.
FileDescriptor OpenRegularFile(const std::string& path, bool forUpdate = false);

// Empties `bytes`; answers false when the file does not exist. Otherwise reads the whole file and
// answers true. A path that exists but cannot be read as a file (no permission, a folder, a
// device or pipe) fails with "Range check error".
bool ReadFileBytes(const WideString& fileName, Bytes& bytes);

// Every file the runtime writes is written here: `parts`, one after another, go to a new file in
// the same folder that is then renamed over `path`, so a failed write leaves the old file (or
// none) rather than half a file. A symbolic link at `path` is itself replaced by the new file;
// the file it pointed to stays as it was. The new file keeps the mode of the file it replaces.
// Answers false when anything fails.
bool ReplaceFile(const std::string& path, std::span<const std::span<const uint8_t>> parts);

// The same, written in pieces: a new file beside `path` that takes its place only on Commit, so
// a reader never sees half of it and a symbolic link at `path` is replaced, never written
// through. Abandoned (removed) when it goes without Commit.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement() { Abandon(); }

  // Opens the new file, with the mode of the file it will replace; false (errno says why) when
  // it cannot be made.
  bool Begin(const std::string& path);
  bool SetMode(unsigned mode);
  bool Write(std::span<const uint8_t> bytes);
  // Copies what the file at `path` holds now to the new file (appending), reading only a regular
  // file; a missing file adds nothing. False when it cannot be read (errno says why).
  bool CopyCurrent();
  // Puts the new file in `path`'s place; false, and nothing replaced, when a write failed.
  bool Commit();
  // Puts the new file in `path`'s place now and hands over its descriptor, for a writer that goes
  // on writing into the file in place (a stream); empty, and nothing replaced, on failure.
  FileDescriptor PlaceAndKeepOpen();
  void Abandon();
  bool Open() const { return static_cast<bool>(fd_); }

 private:
  std::string path_;
  std::string tempName_;
  FileDescriptor fd_;
  bool failed_ = false;
};

// Creates missing parent folders, then replaces the file with `bytes` (an empty buffer gives an
// empty file) through ReplaceFile. Answers false when the file cannot be written; never fails.
bool WriteFileBytes(const WideString& fileName, std::span<const uint8_t> bytes);

// The full path of the running executable.
WideString GetModuleFile();

// The shell's "open" of a document, program or URL, with an owner window (may be null). The
// platform layer installs the handler; until then ShellOpen does nothing and answers false.
using ShellOpenHandler = std::function<bool(const WideString& fileName, void* window)>;
void SetShellOpenHandler(ShellOpenHandler handler);
bool ShellOpen(const WideString& fileName, void* window = nullptr);

}  // namespace ulka
