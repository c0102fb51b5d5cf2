// Per-thread error information: what a failing member leaves for its caller.
#pragma once

#include <optional>

#include "automation/Types.h"

namespace ulka {

struct ErrorInfo {
  WideString interfaceName;
  WideString description;
  WideString source;
  WideString helpFile;
  uint32_t helpContext = 0;
};

void SetErrorInfo(std::optional<ErrorInfo> info);
// Answers the thread's current error information and clears it.
std::optional<ErrorInfo> TakeErrorInfo();

}  // namespace ulka
