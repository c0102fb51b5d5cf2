// Whole-file reading and writing, the running executable's path, and the shell's "open".
#pragma once

#include <functional>
#include <span>

#include "automation/Types.h"

namespace ulka {

// Empties `bytes`; answers false when the file does not exist. Otherwise reads the whole file and
// answers true. A path that exists but cannot be read as a file (no permission, a folder, a
// device or pipe) fails with "Range check error".
bool ReadFileBytes(const WideString& fileName, Bytes& bytes);

// Creates missing parent folders, then replaces the file with `bytes` (an empty buffer gives an
// empty file). The data goes to a temporary file in the same folder that is renamed over the
// target, so a failed write leaves the old file (or none) rather than half a file. Answers false
// when the file cannot be written; never fails.
bool WriteFileBytes(const WideString& fileName, std::span<const uint8_t> bytes);

// The full path of the running executable.
WideString GetModuleFile();

// The shell's "open" of a document, program or URL, with an owner window (may be null). The
// platform layer installs the handler; until then ShellOpen does nothing and answers false.
using ShellOpenHandler = std::function<bool(const WideString& fileName, void* window)>;
void SetShellOpenHandler(ShellOpenHandler handler);
bool ShellOpen(const WideString& fileName, void* window = nullptr);

}  // namespace ulka
