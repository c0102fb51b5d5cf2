// ulka [--inspect] APP [ARGS...]: opens an HTML application in a window.
#include <glib.h>

#include <clocale>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Ulka.h"
#include "automation/Process.h"
#include "automation/Unicode.h"
#include "platform/GObjectPtr.h"
#include "web/Inspector.h"
#include "web/bridge/ExtensionLocation.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // The toolkit names the windows' class after the program.
  if (argc > 0) g_set_prgname(ulka::GCharPtr(g_path_get_basename(argv[0])).get());
  std::vector<std::string> arguments(argv, argv + argc);
  if (!ulka::ProgramCarriesPackage()) {
    const ulka::LauncherCommand command = ulka::ParseLauncherCommand(std::span(arguments).subspan(1));
    switch (command.action) {
      case ulka::LauncherCommand::Action::Help:
        std::fputs(ulka::kLauncherUsage, stdout);
        return 0;
      case ulka::LauncherCommand::Action::Version:
        std::printf("%s\n", ulka::LauncherVersion().c_str());
        return 0;
      case ulka::LauncherCommand::Action::Error:
        std::fprintf(stderr, "ulka: %s\n%s", command.error.c_str(), ulka::kLauncherUsage);
        return 2;
      case ulka::LauncherCommand::Action::Run:
        break;
    }
    if (command.inspect) ulka::EnableInspector();
    arguments.erase(arguments.begin() + 1, arguments.begin() + 1 + static_cast<ptrdiff_t>(command.optionCount));
  }
  // Pages reach the host through the web extension: without it the program stops and says why.
  if (const ulka::ExtensionLocation& extension = ulka::WebExtensionLocation(); extension.directory.empty()) {
    std::fprintf(stderr, "%s: %s\n", g_get_prgname(), extension.error.c_str());
    return 1;
  }
  ulka::ForgetEngineInspectorUnlessInspecting();
  std::vector<ulka::WideString> wide;
  for (const std::string& argument : arguments) wide.push_back(ulka::Wide(argument));
  ulka::SetCommandLine(std::move(wide));
  {
    ulka::TUlka app;
    app.Run();
  }
  return ulka::ExitCode();
}
