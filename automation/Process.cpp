#include "automation/Process.h"

#include <atomic>

namespace ulka {

namespace {
std::atomic<int> exitCode{0};
std::vector<WideString>& Arguments() {
  static std::vector<WideString> arguments;
  return arguments;
}
}  // namespace

int ExitCode() { return exitCode; }
void SetExitCode(int code) { exitCode = code; }

void SetCommandLine(std::vector<WideString> arguments) { Arguments() = std::move(arguments); }
const std::vector<WideString>& CommandLine() { return Arguments(); }

}  // namespace ulka
