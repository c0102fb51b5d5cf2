// The application's message loop on the GLib main context, and the nested loops that wait inside
// it (Wait, ShowDialog, Idle, Run).
#pragma once

#include <cstdint>
#include <functional>

namespace ulka {

// Makes the window system ready; false when there is no display.
bool InitPlatform();
// Records the calling thread as the main thread before the window system is ready, so that a
// program that opens windows only on demand (the script runner) still marshals them to it.
void MarkMainThread();
bool PlatformReady();
// Whether the caller runs on the thread that made the platform ready (the one that owns windows).
bool OnMainThread();
// Runs `call` on the main thread and waits for it; at once when the caller is the main thread.
void RunOnMainThread(const std::function<void()>& call);

// Runs the loop until the application is told to terminate.
void RunMainLoop();
// Ends the loop (and every nested wait) at the next turn.
void TerminateApplication();
bool ApplicationTerminated();

// Serves events until `done` answers true, the application terminates, or `timeoutMs` passes
// (0: no limit). Answers whether `done` was reached.
bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs = 0);
// Serves pending events for `ms` milliseconds, at least once.
void ProcessEventsFor(uint32_t ms);
// Serves what is pending now, without waiting.
void ProcessPendingEvents();

}  // namespace ulka
