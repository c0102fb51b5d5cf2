// The application's message loop on the GLib main context, and the nested loops that wait inside
// it (Wait, ShowDialog, Idle, Run).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "automation/ThreadQueue.h"

namespace ulka {

// Makes the window system ready; false when there is no display. Also joins the message loop to
// the main thread's call queue (see below).
bool InitPlatform();
bool PlatformReady();
// The class the desktop knows the program's windows by (X11 WM_CLASS), for windows shown from
// now on; without it the toolkit takes the program's name with a capital first letter.
void SetProgramClass(const std::string& name);
// Joins the GLib main loop to the main thread's call queue (automation/ThreadQueue.h): steps that
// other threads queue run in the loop and in every nested wait. Hosts without windows call it too.
void JoinMainLoopToCallQueue();
// Whether the caller is the main thread (the one that owns windows).
bool OnMainThread();

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
