#include "automation/ErrorInfo.h"

namespace ulka {

namespace {
thread_local std::optional<ErrorInfo> currentError;
}

void SetErrorInfo(std::optional<ErrorInfo> info) { currentError = std::move(info); }

std::optional<ErrorInfo> TakeErrorInfo() {
  std::optional<ErrorInfo> info = std::move(currentError);
  currentError.reset();
  return info;
}

}  // namespace ulka
