// Starting programs for the shell stand-in: a command is split into arguments as a desktop
// launcher does (quotes and backslashes, no expansion, no shell), "%NAME%" variables are expanded
// in each argument, and the program is searched for in PATH. Nothing goes through a shell unless
// the command names one.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "automation/Types.h"
#include "desktop/UniqueFd.h"

namespace ulka {

// The arguments of a command; fails with "Invalid procedure call or argument" for an empty
// command or one whose quotes do not close.
std::vector<std::string> SplitCommand(std::u16string_view command);

// Whether the first argument names a program that can be started (in PATH, or a path to an
// executable file).
bool IsProgram(const std::string& name);

struct ChildProcess {
  pid_t pid = 0;
  UniqueFd input;   // with pipes: the child's standard input, to write to
  UniqueFd output;  // its standard output and error, to read from
  UniqueFd error;
};

// Starts the program. Without pipes the child shares this program's standard streams. Fails
// with "The system cannot find the file specified." when there is no such program.
ChildProcess StartProcess(const std::vector<std::string>& arguments, bool pipes);

// Exit codes as shells give them: the code the program returned, 128 + the signal that ended it.
int ExitCodeOf(int waitStatus);
// Waits for the child to end and answers its exit code. On the main thread of a program with
// windows the wait serves the window system meanwhile.
int WaitForChild(pid_t pid);
// The exit code when the child has ended (it is then reaped), nothing while it runs.
std::optional<int> PollChild(pid_t pid);
// Reaps the child whenever it ends, without waiting for it here.
void ReapWhenDone(pid_t pid);

}  // namespace ulka
