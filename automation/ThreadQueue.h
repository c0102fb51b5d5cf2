// The call queues of the threads that run scripts. A thread that needs another one (a worker
// that needs the main thread for a window or a page, the main thread that calls a function of a
// worker's engine) queues a step on that thread's queue and waits until it has run. A thread
// serves its own queue wherever it waits: the main thread in its message loop and every nested
// loop, any thread while it waits for a step it queued elsewhere, for a script thread or for a
// critical section. So two threads calling each other never deadlock.
#pragma once

#include <functional>
#include <thread>

namespace ulka {

// The main thread owns windows, pages and the message loop. The program marks it at start.
void MarkMainThread();
bool IsMainThread();
std::thread::id MainThreadId();

// Gives the calling thread a queue (the main thread has one from MarkMainThread). A thread that
// ends drops it: steps still queued fail, and later ones are refused.
void OpenThreadQueue();
void CloseThreadQueue();
bool HasThreadQueue(std::thread::id thread);

// Runs `step` on `thread` and waits until it has run, serving the caller's own queue meanwhile;
// at once when the caller is that thread. What the step throws is thrown here. Answers false,
// without running the step, when `thread` has no queue.
bool RunOnThread(std::thread::id thread, const std::function<void()>& step);
bool RunOnMainThread(const std::function<void()>& step);
// Queues `step` for `thread` and returns at once; false (step dropped) when it has no queue.
bool PostToThread(std::thread::id thread, std::function<void()> step);

// Runs the steps queued for the calling thread; answers whether any ran.
bool RunQueuedSteps();

// Waits on the calling thread until `done` answers true or `timeoutMs` passes (0: no limit),
// serving the thread's queue and, on the main thread, its message loop. Answers `done()`.
bool WaitServingQueue(const std::function<bool()>& done, uint32_t timeoutMs = 0);
// Wakes every thread waiting in WaitServingQueue to look at its condition again.
void WakeWaitingThreads();

// How the main thread's message loop takes part: `wake` is called (from any thread) when a step
// is queued for the main thread or a waiter should look again; `pump` serves the loop's events
// for at most the given milliseconds. Without them the main thread waits like any other.
void SetMainLoopHooks(std::function<void()> wake, std::function<void(int timeoutMs)> pump);

}  // namespace ulka
