// A script error as the engine reports it to its host.
#pragma once

#include <functional>

#include "automation/Types.h"

namespace ulka {

struct ScriptError {
  WideString description;
  int line = 0;       // zero-based
  int character = 0;  // zero-based
  HRESULT code = 0;
};

using ScriptErrorHandler = std::function<void(const ScriptError&)>;

}  // namespace ulka
