#include "automation/ThreadQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace ulka {
namespace {

using Clock = std::chrono::steady_clock;

struct Queue {
  std::deque<std::function<void()>> steps;
  bool open = true;
};

// One lock for every queue: steps are few and short to hand over, and a waiter must see a step
// queued for it and a wake-up alike.
struct Registry {
  std::mutex lock;
  std::condition_variable changed;
  std::unordered_map<std::thread::id, std::shared_ptr<Queue>> queues;
  uint64_t generation = 0;  // moves on every queued step and every wake-up
  std::thread::id mainThread;
  std::function<void()> wakeMainLoop;
  std::function<void(int)> pumpMainLoop;
};

Registry& Reg() {
  static Registry* registry = new Registry;  // used by threads to the very end of the process
  return *registry;
}

// Called with the lock held; the main loop's hook only wakes it.
void NotifyLocked(Registry& r) {
  ++r.generation;
  r.changed.notify_all();
}

void WakeMainLoop(Registry& r) {
  std::function<void()> wake;
  {
    std::lock_guard guard(r.lock);
    wake = r.wakeMainLoop;
  }
  if (wake) wake();
}

std::shared_ptr<Queue> QueueOf(Registry& r, std::thread::id thread) {
  auto it = r.queues.find(thread);
  return it == r.queues.end() ? nullptr : it->second;
}

}  // namespace

void MarkMainThread() {
  Registry& r = Reg();
  std::lock_guard guard(r.lock);
  r.mainThread = std::this_thread::get_id();
  r.queues.try_emplace(r.mainThread, std::make_shared<Queue>());
}

std::thread::id MainThreadId() {
  std::lock_guard guard(Reg().lock);
  return Reg().mainThread;
}

bool IsMainThread() { return MainThreadId() == std::this_thread::get_id(); }

// Global constructors run on the thread that starts the program (or loads the library); a program
// may still mark another thread before it starts any.
[[maybe_unused]] const bool mainThreadMarked = (MarkMainThread(), true);

void OpenThreadQueue() {
  Registry& r = Reg();
  std::lock_guard guard(r.lock);
  r.queues.try_emplace(std::this_thread::get_id(), std::make_shared<Queue>());
}

void CloseThreadQueue() {
  Registry& r = Reg();
  std::shared_ptr<Queue> queue;
  {
    std::lock_guard guard(r.lock);
    auto it = r.queues.find(std::this_thread::get_id());
    if (it == r.queues.end()) return;
    queue = it->second;
    queue->open = false;
    r.queues.erase(it);
  }
  // Steps that arrived before the close still run: their callers are waiting for them.
  for (;;) {
    std::function<void()> step;
    {
      std::lock_guard guard(r.lock);
      if (queue->steps.empty()) break;
      step = std::move(queue->steps.front());
      queue->steps.pop_front();
    }
    step();
  }
}

bool HasThreadQueue(std::thread::id thread) {
  std::lock_guard guard(Reg().lock);
  return QueueOf(Reg(), thread) != nullptr;
}

bool PostToThread(std::thread::id thread, std::function<void()> step) {
  Registry& r = Reg();
  bool toMain;
  {
    std::lock_guard guard(r.lock);
    std::shared_ptr<Queue> queue = QueueOf(r, thread);
    if (!queue || !queue->open) return false;
    queue->steps.push_back(std::move(step));
    toMain = thread == r.mainThread;
    NotifyLocked(r);
  }
  if (toMain) WakeMainLoop(r);
  return true;
}

bool RunQueuedSteps() {
  Registry& r = Reg();
  const std::thread::id self = std::this_thread::get_id();
  bool ran = false;
  for (;;) {
    std::function<void()> step;
    {
      std::lock_guard guard(r.lock);
      std::shared_ptr<Queue> queue = QueueOf(r, self);
      if (!queue || queue->steps.empty()) return ran;
      step = std::move(queue->steps.front());
      queue->steps.pop_front();
    }
    step();  // steps catch what they throw (see RunOnThread)
    ran = true;
  }
}

bool RunOnThread(std::thread::id thread, const std::function<void()>& step) {
  if (thread == std::this_thread::get_id()) {
    step();
    return true;
  }
  struct Outcome {
    bool done = false;
    std::exception_ptr error;
  };
  auto outcome = std::make_shared<Outcome>();
  auto run = [&step, outcome] {
    try {
      step();
    } catch (...) {
      outcome->error = std::current_exception();
    }
    std::lock_guard guard(Reg().lock);
    outcome->done = true;
    NotifyLocked(Reg());
  };
  if (!PostToThread(thread, run)) return false;
  WakeWaitingThreads();  // the target may be waiting in a loop of its own
  WaitServingQueue([&] {
    std::lock_guard guard(Reg().lock);
    return outcome->done;
  });
  if (outcome->error) std::rethrow_exception(outcome->error);
  return true;
}

bool RunOnMainThread(const std::function<void()>& step) { return RunOnThread(MainThreadId(), step); }

bool WaitServingQueue(const std::function<bool()>& done, uint32_t timeoutMs) {
  Registry& r = Reg();
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const bool onMain = IsMainThread();
  for (;;) {
    RunQueuedSteps();
    if (done()) return true;
    int sliceMs = 10;
    if (timeoutMs) {
      const auto left = deadline - Clock::now();
      if (left <= Clock::duration::zero()) return done();
      sliceMs = static_cast<int>(std::min<long long>(std::chrono::ceil<std::chrono::milliseconds>(left).count(), sliceMs));
    }
    std::function<void(int)> pump;
    uint64_t seen;
    {
      std::lock_guard guard(r.lock);
      pump = onMain ? r.pumpMainLoop : nullptr;
      seen = r.generation;
    }
    if (pump) {
      pump(sliceMs);
      continue;
    }
    std::unique_lock guard(r.lock);
    r.changed.wait_for(guard, std::chrono::milliseconds(sliceMs), [&] { return r.generation != seen; });
  }
}

void WakeWaitingThreads() {
  Registry& r = Reg();
  {
    std::lock_guard guard(r.lock);
    NotifyLocked(r);
  }
  WakeMainLoop(r);
}

void SetMainLoopHooks(std::function<void()> wake, std::function<void(int)> pump) {
  Registry& r = Reg();
  std::lock_guard guard(r.lock);
  r.wakeMainLoop = std::move(wake);
  r.pumpMainLoop = std::move(pump);
}

}  // namespace ulka
