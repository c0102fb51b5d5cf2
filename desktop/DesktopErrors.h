// The failures of the stand-in objects, with the numbers scripts of the platform test for: the
// file-system and dictionary errors are runtime errors (0x800A0000 + number), the shell's are
// system errors, the stream's those of the data-access library.
#pragma once

#include <cstdint>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

enum class DesktopError : uint16_t {
  InvalidCall = 5,
  BadFileName = 52,
  FileNotFound = 53,
  BadFileMode = 54,
  FileAlreadyExists = 58,
  DiskFull = 61,
  InputPastEnd = 62,
  DeviceUnavailable = 68,
  PermissionDenied = 70,
  PathFileAccess = 75,
  PathNotFound = 76,
  KeyAlreadyExists = 457,
  ElementNotFound = 32811,
};

HRESULT DesktopErrorCode(DesktopError error);
[[noreturn]] void FailDesktop(DesktopError error);

// A failed system call (`errno`): a missing file or folder fails with `whenMissing`, the other
// errors with the nearest of the platform's ("Permission denied", "Disk full", ...).
[[noreturn]] void FailSystemError(int systemError, DesktopError whenMissing);

// "The system cannot find the file specified." (0x80070002): a program that Run or Exec cannot start.
[[noreturn]] void FailProgramNotFound();

// The key store's failures name the key as the script wrote it.
enum class RegistryError { Read, Remove, InvalidRoot };
[[noreturn]] void FailRegistry(RegistryError error, std::u16string_view key);

// The stream's failures.
enum class StreamError : uint16_t {
  Arguments = 3001,
  OpenFile = 3002,
  WriteFile = 3004,
  Context = 3219,
  Closed = 3704,
  Open = 3705,
};
[[noreturn]] void FailStream(StreamError error);

}  // namespace ulka
