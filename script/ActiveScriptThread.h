// One script engine on a worker thread of its own. The worker loads the code it was given into a
// fresh engine, calls one global function there with a `this` object, and closes the engine. Steps
// that must run on the thread that made the worker (the evaluation of `Sync`, the completion
// callback) go through that thread's call queue while the worker waits.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "automation/Dispatch.h"
#include "script/ActiveScript.h"

namespace ulka {

class TActiveScriptThread {
 public:
  TActiveScriptThread(WideString language, WideString procCode, WideString procName);
  TActiveScriptThread(const TActiveScriptThread&) = delete;
  TActiveScriptThread& operator=(const TActiveScriptThread&) = delete;
  // Waits for a running worker (serving the caller's call queue); on the worker itself, lets it
  // finish on its own.
  ~TActiveScriptThread();

  // The engine's named items and error handler; items added while the engine runs are handed to
  // the worker's thread.
  TActiveScript& Script() { return FScript; }
  void AddItem(const WideString& name, IDispatch* item, bool isGlobalMembers);

  // Lets the worker run once, with `self` as `this` (held until the run ends). False when it was
  // started before.
  bool Start(IDispatch* self);
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Started() const { return started_; }
  bool Finished() const { return finished_; }
  bool IsWorkerThread() const { return std::this_thread::get_id() == workerId_.load(); }
  std::thread::id CreatorThread() const { return creator_; }

  Variant Result();
  void SetResult(const Variant& value);

  // Runs on the creator's thread after the run, before Finished turns true.
  std::function<void()> onTerminate;

  // Evaluates `code` with `eval` on the creator's thread, calls the function that gives with the
  // worker's `this`, and answers its value; empty when any step fails.
  Variant Synchronize(IDispatch* eval, const WideString& code);

  // Waits until the worker has finished, serving the caller's call queue; false after
  // `timeoutMs` (0: no limit).
  bool WaitFinished(uint32_t timeoutMs = 0);

 private:
  void Execute();
  void RunScript();
  void Complete();

  TActiveScript FScript;
  const WideString FLanguage;
  const WideString FProcCode;
  const WideString FProcName;
  Ref<IDispatch> FThis;
  std::mutex resultLock_;
  Variant FResult;
  const std::thread::id creator_;
  std::thread worker_;
  std::atomic<std::thread::id> workerId_{};
  std::atomic<bool> started_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

}  // namespace ulka
