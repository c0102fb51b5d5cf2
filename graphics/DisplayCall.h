// Calls into the window system from any thread: the platform is made ready on first use, the call
// runs on the main thread (which owns the display), and its result, or its failure, comes back to
// the caller.
#pragma once

#include <exception>
#include <optional>
#include <type_traits>

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "platform/MainLoop.h"

namespace ulka {

// Whether a display can be used; makes the platform ready when it is not yet.
inline bool DisplayAvailable() {
  bool ready = false;
  RunOnMainThread([&] { ready = InitPlatform(); });
  return ready;
}

// Runs `call` on the main thread; fails with a clear message when there is no display.
template <class Call>
auto OnDisplay(Call call) -> std::invoke_result_t<Call> {
  using Result = std::invoke_result_t<Call>;
  if (!DisplayAvailable()) Fail(msg::kNoDisplay);
  std::exception_ptr failure;
  if constexpr (std::is_void_v<Result>) {
    RunOnMainThread([&] {
      try {
        call();
      } catch (...) {
        failure = std::current_exception();
      }
    });
    if (failure) std::rethrow_exception(failure);
  } else {
    std::optional<Result> result;
    RunOnMainThread([&] {
      try {
        result.emplace(call());
      } catch (...) {
        failure = std::current_exception();
      }
    });
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
  }
}

}  // namespace ulka
