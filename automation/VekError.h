// Failures inside members: a C++ exception that carries the message and, where there is one, the
// status code of a failed platform or nested call.
#pragma once

#include <stdexcept>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

class EVekError : public std::runtime_error {
 public:
  explicit EVekError(const WideString& message, HRESULT code = E_UNEXPECTED,
                     uint32_t helpContext = 0);
  explicit EVekError(std::string_view utf8Message, HRESULT code = E_UNEXPECTED);

  const WideString& Message() const { return message_; }
  HRESULT Code() const { return code_; }
  uint32_t HelpContext() const { return helpContext_; }

 private:
  WideString message_;
  HRESULT code_;
  uint32_t helpContext_;
};

[[noreturn]] void Fail(std::string_view utf8Message);
[[noreturn]] void Fail(const WideString& message);
[[noreturn]] void FailCode(HRESULT code, std::string_view utf8Message);

// "List index out of bounds (%d)"
[[noreturn]] void FailIndex(int64_t index);

// Turns the failed status of a nested call into a failure of the caller, carrying the
// description of the thread's error information and the status.
void CheckNested(HRESULT hr);

}  // namespace ulka
