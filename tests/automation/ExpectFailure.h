// Checks that a call fails with the system's failure and a given message.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "automation/VekError.h"

namespace ulka::test {

template <class F>
::testing::AssertionResult FailsWith(F&& call, const std::string& message) {
  try {
    call();
  } catch (const EVekError& e) {
    if (message == e.what()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "failed with \"" << e.what() << "\" instead of \"" << message << "\"";
  }
  return ::testing::AssertionFailure() << "did not fail (expected \"" << message << "\")";
}

}  // namespace ulka::test
