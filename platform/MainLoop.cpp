#include "platform/MainLoop.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace ulka {
namespace {

bool ready = false;
bool terminated = false;

gint64 Now() { return g_get_monotonic_time() / 1000; }

gboolean WakeUp(gpointer) { return G_SOURCE_REMOVE; }

}  // namespace

bool InitPlatform() {
  if (ready) return true;
  JoinMainLoopToCallQueue();
  ready = IsMainThread() && gtk_init_check(nullptr, nullptr);
  return ready;
}

bool PlatformReady() { return ready; }

void SetProgramClass(const std::string& name) {
  if (!name.empty()) gdk_set_program_class(name.c_str());
}

bool OnMainThread() { return IsMainThread(); }

void JoinMainLoopToCallQueue() {
  static bool joined = false;
  if (joined) return;
  joined = true;
  SetMainLoopHooks(
      [] {
        // Any thread: an idle step in the loop serves the queue; the wake-up also lets a nested
        // wait look at its condition again.
        g_idle_add_full(G_PRIORITY_DEFAULT, [](gpointer) -> gboolean {
          RunQueuedSteps();
          return G_SOURCE_REMOVE;
        }, nullptr, nullptr);
      },
      [](int timeoutMs) {
        guint timer = g_timeout_add(static_cast<guint>(std::max(timeoutMs, 1)), WakeUp, nullptr);
        g_main_context_iteration(nullptr, TRUE);
        if (GSource* source = g_main_context_find_source_by_id(nullptr, timer)) g_source_destroy(source);
      });
}

void RunMainLoop() {
  while (!terminated) g_main_context_iteration(nullptr, TRUE);
}

void TerminateApplication() {
  terminated = true;
  g_main_context_wakeup(nullptr);
}

bool ApplicationTerminated() { return terminated; }

bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
  const gint64 deadline = Now() + timeoutMs;
  while (!done()) {
    if (terminated) return false;
    guint timer = 0;
    if (timeoutMs) {
      gint64 left = deadline - Now();
      if (left <= 0) return false;
      timer = g_timeout_add(static_cast<guint>(left), WakeUp, nullptr);
    }
    g_main_context_iteration(nullptr, TRUE);
    if (timer) {
      GSource* source = g_main_context_find_source_by_id(nullptr, timer);
      if (source) g_source_destroy(source);
    }
  }
  return true;
}

void ProcessEventsFor(uint32_t ms) {
  const gint64 until = Now() + ms;
  do {
    ProcessPendingEvents();
    if (Now() >= until || terminated) break;
    guint timer = g_timeout_add(static_cast<guint>(std::min<gint64>(until - Now(), 10)), WakeUp, nullptr);
    g_main_context_iteration(nullptr, TRUE);
    if (GSource* source = g_main_context_find_source_by_id(nullptr, timer)) g_source_destroy(source);
  } while (Now() < until && !terminated);
}

void ProcessPendingEvents() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

}  // namespace ulka
