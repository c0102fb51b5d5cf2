#include "platform/MainLoop.h"

#include <gtk/gtk.h>

namespace ulka {
namespace {

bool ready = false;
bool terminated = false;
GThread* mainThread = nullptr;

gint64 Now() { return g_get_monotonic_time() / 1000; }

gboolean WakeUp(gpointer) { return G_SOURCE_REMOVE; }

}  // namespace

bool InitPlatform() {
  if (ready) return true;
  ready = gtk_init_check(nullptr, nullptr);
  if (ready && !mainThread) mainThread = g_thread_self();
  return ready;
}

void MarkMainThread() {
  if (!mainThread) mainThread = g_thread_self();
}

bool PlatformReady() { return ready; }

bool OnMainThread() { return !mainThread || g_thread_self() == mainThread; }

void RunOnMainThread(const std::function<void()>& call) {
  if (OnMainThread()) return call();
  struct Pending {
    const std::function<void()>* call;
    GMutex lock;
    GCond done;
    bool finished = false;
  } pending{&call, {}, {}, false};
  g_mutex_init(&pending.lock);
  g_cond_init(&pending.done);
  // Always through a source: g_main_context_invoke would run the call on this thread whenever
  // the main thread happens not to hold the context between two iterations.
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(source, +[](gpointer data) -> gboolean {
    auto* p = static_cast<Pending*>(data);
    try {
      (*p->call)();
    } catch (...) {
    }
    g_mutex_lock(&p->lock);
    p->finished = true;
    g_cond_signal(&p->done);
    g_mutex_unlock(&p->lock);
    return G_SOURCE_REMOVE;
  }, &pending, nullptr);
  g_source_attach(source, nullptr);
  g_source_unref(source);
  g_main_context_wakeup(nullptr);
  g_mutex_lock(&pending.lock);
  while (!pending.finished) g_cond_wait(&pending.done, &pending.lock);
  g_mutex_unlock(&pending.lock);
  g_cond_clear(&pending.done);
  g_mutex_clear(&pending.lock);
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
