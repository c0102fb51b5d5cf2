// The launcher's own options, which come before the application: `ulka [--inspect] APP [ARGS...]`,
// `ulka --help`, `ulka --version`. A stand-alone program has none: all its arguments are its
// application's.
#pragma once

#include <span>
#include <string>

namespace ulka {

struct LauncherCommand {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  bool inspect = false;
  std::string error;       // what was wrong, for Action::Error
  size_t optionCount = 0;  // leading arguments that were the launcher's own
};

// `arguments` without the program name.
LauncherCommand ParseLauncherCommand(std::span<const std::string> arguments);

extern const char kLauncherUsage[];
// "ulka 1.0"
std::string LauncherVersion();

// Whether this program carries an application package of its own (a stand-alone program).
bool ProgramCarriesPackage();

}  // namespace ulka
