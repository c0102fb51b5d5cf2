// ulka [APP.zip | PAGE.html] [ARGS...]: opens an HTML application in a window.
#include <clocale>

#include "app/Ulka.h"
#include "automation/Process.h"
#include "automation/Unicode.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<ulka::WideString> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(ulka::Wide(argv[i]));
  ulka::SetCommandLine(std::move(arguments));
  {
    ulka::TUlka app;
    app.Run();
  }
  return ulka::ExitCode();
}
