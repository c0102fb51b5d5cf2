#include "automation/VekError.h"

#include <cstdio>

#include "automation/ErrorInfo.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {

EVekError::EVekError(const WideString& message, HRESULT code, uint32_t helpContext)
    : std::runtime_error(Utf8(message)), message_(message), code_(code), helpContext_(helpContext) {}

EVekError::EVekError(std::string_view utf8Message, HRESULT code)
    : std::runtime_error(std::string(utf8Message)), message_(Wide(utf8Message)), code_(code),
      helpContext_(0) {}

void Fail(std::string_view utf8Message) { throw EVekError(utf8Message); }
void Fail(const WideString& message) { throw EVekError(message); }
void FailCode(HRESULT code, std::string_view utf8Message) { throw EVekError(utf8Message, code); }

void FailIndex(int64_t index) {
  char text[64];
  std::snprintf(text, sizeof text, msg::kListIndexOutOfBounds, static_cast<int>(index));
  Fail(text);
}

void CheckNested(HRESULT hr) {
  if (Succeeded(hr)) return;
  std::optional<ErrorInfo> info = TakeErrorInfo();
  throw EVekError(info ? info->description : WideString(), hr, info ? info->helpContext : 0);
}

}  // namespace ulka
