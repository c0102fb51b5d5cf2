#include "app/CommandLine.h"

#include "automation/Files.h"
#include "automation/TypeInfo.h"
#include "automation/Unicode.h"
#include "runtime/ResourceMembers.h"

namespace ulka {

const char kLauncherUsage[] =
    "usage: ulka [--inspect] APP [ARGS...]\n"
    "       ulka --help | --version\n"
    "\n"
    "Opens an HTML application in a window. APP is a zip of the application's files, or a page\n"
    "in its folder (the folder is served). ARGS go to the application's scripts (rtl.Params).\n"
    "\n"
    "  --inspect   the web inspector in every view (\"Inspect Element\" in the context menu),\n"
    "              and the pages' console messages on standard error; ULKA_INSPECT=1 does the\n"
    "              same, also for stand-alone programs\n"
    "  --help      this text\n"
    "  --version   the version of Ulka and of its type library\n";

LauncherCommand ParseLauncherCommand(std::span<const std::string> arguments) {
  LauncherCommand command;
  for (const std::string& argument : arguments) {
    if (argument.size() < 2 || argument[0] != '-') break;  // the application
    ++command.optionCount;
    if (argument == "--") break;
    if (argument == "--inspect") {
      command.inspect = true;
    } else if (argument == "--help" || argument == "-h") {
      command.action = LauncherCommand::Action::Help;
      return command;
    } else if (argument == "--version") {
      command.action = LauncherCommand::Action::Version;
      return command;
    } else {
      command.action = LauncherCommand::Action::Error;
      command.error = "unknown option " + argument;
      return command;
    }
  }
  return command;
}

std::string LauncherVersion() { return "ulka " + Utf8(TypeLibrary::Version()); }

bool ProgramCarriesPackage() {
  return HasResourceInFile(Utf8(GetModuleFile()), ResId::Number(23), ResId::Text(u"ULKA"), 0);
}

}  // namespace ulka
