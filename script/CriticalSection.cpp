#include "script/CriticalSection.h"

#include <chrono>

#include "automation/Messages.h"
#include "automation/ThreadQueue.h"

namespace ulka {

const InterfaceInfo& TCriticalSection::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TCriticalSection>("ICriticalSection", "{34830258-266E-4D20-9523-3A2E87C5F338}",
                                         "Dispatch interface for CriticalSection Object")
          .Method(201, "Lock", &TCriticalSection::Lock)
          .Method(202, "Unlock", &TCriticalSection::Unlock)
          .Build();
  return info;
}

void TCriticalSection::Lock() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock guard(FLock);
  for (;;) {
    if (depth_ == 0 || owner_ == self) {
      owner_ = self;
      ++depth_;
      return;
    }
    // Wait a little at a time, serving the calls queued for this thread in between.
    released_.wait_for(guard, std::chrono::milliseconds(5), [&] { return depth_ == 0; });
    if (depth_ != 0) {
      guard.unlock();
      RunQueuedSteps();
      guard.lock();
    }
  }
}

void TCriticalSection::Unlock() {
  std::lock_guard guard(FLock);
  if (depth_ == 0 || owner_ != std::this_thread::get_id()) Fail(msg::kNotLockOwner);
  if (--depth_ == 0) {
    owner_ = std::thread::id();
    released_.notify_one();
  }
}

}  // namespace ulka
