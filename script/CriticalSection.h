// A lock that scripts share between threads: re-entrant for the thread that holds it. A thread
// waiting for it keeps serving its call queue, so a holder that waits for that thread (a `Sync`)
// does not deadlock.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "automation/VekObject.h"

namespace ulka {

class TCriticalSection : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TCriticalSection() : TVekObject(Info()) {}

  void Lock();
  // Fails when the calling thread does not hold the lock.
  void Unlock();

 private:
  std::mutex FLock;  // guards the fields below
  std::condition_variable released_;
  std::thread::id owner_;
  uint32_t depth_ = 0;
};

}  // namespace ulka
