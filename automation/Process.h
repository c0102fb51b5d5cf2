// Process-wide state that scripts see: the command line and the exit code.
#pragma once

#include <vector>

#include "automation/Types.h"

namespace ulka {

// The exit code last set by `Rtl.Quit`, 0 if none; a script object's Init resets it.
int ExitCode();
void SetExitCode(int code);

// The command line: element 0 is the executable's path, then the arguments.
void SetCommandLine(std::vector<WideString> arguments);
const std::vector<WideString>& CommandLine();

}  // namespace ulka
