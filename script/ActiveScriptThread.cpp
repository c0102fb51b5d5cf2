#include "script/ActiveScriptThread.h"

#include "automation/ThreadQueue.h"

namespace ulka {

TActiveScriptThread::TActiveScriptThread(WideString language, WideString procCode, WideString procName)
    : FScript(this),
      FLanguage(std::move(language)),
      FProcCode(std::move(procCode)),
      FProcName(std::move(procName)),
      creator_(std::this_thread::get_id()) {}

TActiveScriptThread::~TActiveScriptThread() {
  if (!worker_.joinable()) return;
  if (IsWorkerThread()) {
    worker_.detach();  // the worker dropped the last reference itself and is on its way out
    return;
  }
  terminated_ = true;
  WaitFinished();
  worker_.join();
}

void TActiveScriptThread::AddItem(const WideString& name, IDispatch* item, bool isGlobalMembers) {
  if (!started_ || finished_ || IsWorkerThread()) {
    FScript.AddItem(name, item, isGlobalMembers);
    return;
  }
  // The engine belongs to the worker: the item is registered there, when it next serves its queue.
  Ref<IDispatch> kept(item);
  WideString itemName = name;
  if (!PostToThread(workerId_.load(), [this, kept, itemName, isGlobalMembers] {
        FScript.AddItem(itemName, kept.get(), isGlobalMembers);
      })) {
    FScript.AddItem(name, item, isGlobalMembers);
  }
}

bool TActiveScriptThread::Start(IDispatch* self) {
  if (started_.exchange(true)) return false;
  FThis = self;
  worker_ = std::thread([this] { Execute(); });
  workerId_ = worker_.get_id();
  return true;
}

void TActiveScriptThread::Execute() {
  workerId_ = std::this_thread::get_id();
  OpenThreadQueue();
  if (!terminated_) RunScript();
  Complete();
  CloseThreadQueue();
  // The last reference may go here, taking this object with it: nothing of it is used after.
  Ref<IDispatch> self = std::move(FThis);
  self = nullptr;
}

void TActiveScriptThread::RunScript() {
  try {
    if (Failed(FScript.InitNew(FLanguage))) return;
    FScript.AddCode(FProcCode);
    FScript.Run();
    Variant result;
    if (FScript.Call(FProcName, {}, FThis.get(), &result)) SetResult(result);
    FScript.Close();
  } catch (...) {
    FScript.Close();  // a failure of the run is kept to itself, as the run's result
  }
}

void TActiveScriptThread::Complete() {
  if (onTerminate) {
    try {
      RunOnThread(creator_, [this] { onTerminate(); });
    } catch (...) {
    }
  }
  finished_ = true;
  WakeWaitingThreads();
}

Variant TActiveScriptThread::Result() {
  std::lock_guard guard(resultLock_);
  return FResult;
}

void TActiveScriptThread::SetResult(const Variant& value) {
  std::lock_guard guard(resultLock_);
  FResult = value;
}

Variant TActiveScriptThread::Synchronize(IDispatch* eval, const WideString& code) {
  Variant result;
  IDispatch* self = FThis.get();
  auto step = [&] {
    try {
      Variant function;
      const Variant source[] = {Variant(code)};
      if (DispatchCall(eval, DISPID_VALUE, source, self, &function) != S_OK || !function.IsObject()) return;
      DispatchCall(function.Dispatch(), DISPID_VALUE, {}, self, &result);
    } catch (...) {
    }
  };
  try {
    if (!RunOnThread(creator_, step)) return Variant();
  } catch (...) {
    return Variant();
  }
  return result;
}

bool TActiveScriptThread::WaitFinished(uint32_t timeoutMs) {
  return WaitServingQueue([this] { return finished_.load(); }, timeoutMs);
}

}  // namespace ulka
