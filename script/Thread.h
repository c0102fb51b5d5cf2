// The scriptable thread object: a script function run in the background on a worker of its own,
// with parameters (expando members read through `this`), named items, a cooperative stop flag, a
// completion callback and the function's result. Every thread object is in one process-wide list
// that StopThreads and WaitThreads walk.
#pragma once

#include <memory>
#include <mutex>

#include "automation/VekObjectEx.h"
#include "script/ActiveScriptThread.h"

namespace ulka {

class TThread : public TVekObjectEx {
 public:
  static const InterfaceInfo& Info();
  // A thread for the function `Proc`, whose `Sync` evaluates with the `eval` of `Host` (when it
  // has one). The worker does not run until Start.
  static Ref<TThread> Create(IDispatch* Host, IDispatch* Proc);
  ~TThread() override;

  Variant Sync(IDispatch* Proc);
  Ref<IDispatch> Start();
  Ref<IDispatch> AddParam(const WideString& Name, const Variant& Value);
  Ref<IDispatch> Wait();
  Ref<IDispatch> Stop();
  Ref<IDispatch> OnFinish(IDispatch* Proc);
  Ref<IDispatch> AddItem(const WideString& Name, IDispatch* Member, bool IsGlobalMember);
  bool GetStopped() { return FThread->Terminated(); }
  bool GetFinished() { return FThread->Finished(); }
  Variant GetResult() { return FThread->Result(); }
  void SetResult(const Variant& Value) { FThread->SetResult(Value); }

  TActiveScriptThread& Worker() { return *FThread; }
  bool TryAddRef() { return TryAddRefCount(); }

  // The parameters are read by the worker while other threads may add more.
  int GetMemberId(std::u16string_view name) override;
  int AddMember(const WideString& name, const Variant& value) override;
  Variant GetMember(int id) override;
  void SetMember(int id, const Variant& value) override;
  void DeleteMember(int id) override;

 private:
  TThread(IDispatch* Host, const WideString& procName, const WideString& procCode);
  void Complete();
  // The checks of every wait: a thread that never started, or the caller's own, never finishes.
  void CheckCanFinish();

  Ref<IDispatch> FEval;
  std::unique_ptr<TActiveScriptThread> FThread;
  Ref<IDispatch> FOnTerminate;
  std::mutex membersLock_;
  std::mutex callbackLock_;

  friend void WaitThreads();
};

// Rtl.StopThreads: asks every listed thread to stop.
void StopThreads();
// Rtl.WaitThreads: waits until every listed thread has finished, serving the caller's call queue.
// Fails when one can never finish (never started, or the caller's own thread).
void WaitThreads();
// At shutdown: waits for the threads that were started, at most `timeoutMs`; answers how many
// are still running then. After that, InterruptThreads stops the script code they run.
size_t WaitStartedThreads(uint32_t timeoutMs);
void InterruptThreads();
// What a program does before it ends: stops every thread and waits for those that run, then
// interrupts the script code of any still running after `graceMs`. Answers how many have still
// not finished (the program should then end without waiting longer).
size_t FinishScriptThreads(uint32_t graceMs);

// The name and code a worker runs for a function's source text: a named function runs under its
// name, an anonymous one as "main"; a text that is not a function gives nothing to run.
struct ThreadProc {
  WideString name;
  WideString code;
};
ThreadProc ThreadProcFromSource(const WideString& source);

}  // namespace ulka
