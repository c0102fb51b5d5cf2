#include "script/Thread.h"

#include <algorithm>
#include <vector>

#include "automation/Messages.h"
#include "automation/ThreadQueue.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

// The process-wide list of thread objects. It holds no references: objects add themselves when
// made and remove themselves when destroyed.
struct ThreadList {
  std::mutex lock;
  std::vector<TThread*> threads;
};

ThreadList& List() {
  static ThreadList* list = new ThreadList;  // threads may outlive static destruction
  return *list;
}

// Counted references to the listed threads that are not being destroyed.
std::vector<Ref<TThread>> ListedThreads() {
  std::vector<Ref<TThread>> result;
  std::lock_guard guard(List().lock);
  for (TThread* t : List().threads) {
    if (t->TryAddRef()) result.push_back(Ref<TThread>::Adopt(t));
  }
  return result;
}

bool AllFinished(const std::vector<Ref<TThread>>& threads) {
  return std::all_of(threads.begin(), threads.end(), [](const Ref<TThread>& t) { return t->GetFinished(); });
}

Variant DefaultValue(IDispatch* object) {
  Variant value;
  if (!object) return value;
  DispParams none;
  if (Failed(object->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &value, nullptr))) value.Clear();
  return value;
}

Ref<IDispatch> HostEvaluator(IDispatch* host) {
  if (!host) return nullptr;
  Variant eval;
  if (Failed(InvokeByName(host, u"eval", DISPATCH_PROPERTYGET, {}, &eval)) || !eval.IsObject()) return nullptr;
  return Ref<IDispatch>(eval.Dispatch());
}

}  // namespace

ThreadProc ThreadProcFromSource(const WideString& source) {
  constexpr std::u16string_view kFunction = u"function";
  if (source.size() < kFunction.size() || LowerCase(source.substr(0, kFunction.size())) != kFunction) return {};
  size_t start = kFunction.size();
  while (start < source.size() && source[start] == u' ') ++start;
  const size_t paren = std::min(source.find(u'(', start), source.size());
  WideString name = source.substr(start, paren - start);
  if (!name.empty()) return {name, source};
  return {u"main", u"function main" + source.substr(paren)};
}

const InterfaceInfo& TThread::Info() {
  using T = TThread;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IThread", "{08C3F23E-F2B4-4125-B73A-C150BDFF53D6}", "Dispatch interface for Thread Object")
          .Method(201, "Sync", &T::Sync, {Arg("Proc")})
          .Method(202, "Start", &T::Start).Returns("IThread")
          .Method(203, "AddParam", &T::AddParam, {Arg("Name"), Arg("Value")}).Returns("IThread")
          .Method(204, "Wait", &T::Wait).Returns("IThread")
          .Method(205, "Stop", &T::Stop).Returns("IThread")
          .Method(206, "OnFinish", &T::OnFinish, {Arg("Proc")}).Returns("IThread")
          .Method(207, "AddItem", &T::AddItem, {Arg("Name"), Arg("Member"), Opt("IsGlobalMember", false)})
          .Returns("IThread")
          .Getter(208, "Stopped", &T::GetStopped)
          .Getter(209, "Finished", &T::GetFinished)
          .Property(210, "Result", &T::GetResult, &T::SetResult)
          .Build();
  return info;
}

Ref<TThread> TThread::Create(IDispatch* Host, IDispatch* Proc) {
  const Variant text = DefaultValue(Proc);
  const WideString source = text.IsText() ? text.Text() : WideString();
  ThreadProc proc = ThreadProcFromSource(source);
  // Arrow and async functions do not begin with "function": they run as "main" too.
  if (proc.name.empty() && Proc && Proc->IsCallable() && !source.empty()) {
    proc = {u"main", u"var main = (" + source + u"\n);"};
  }
  return Ref<TThread>(new TThread(Host, proc.name, proc.code));
}

TThread::TThread(IDispatch* Host, const WideString& procName, const WideString& procCode)
    : TVekObjectEx(Info()),
      FEval(HostEvaluator(Host)),
      FThread(std::make_unique<TActiveScriptThread>(u"JavaScript", procCode, procName)) {
  FThread->onTerminate = [this] { Complete(); };
  std::lock_guard guard(List().lock);
  List().threads.push_back(this);
}

TThread::~TThread() {
  {
    std::lock_guard guard(List().lock);
    std::erase(List().threads, this);
  }
  FThread.reset();  // a worker still running is waited for, unless this is that worker
}

// The completion step, on the thread that made this object: the callback, then it is let go.
void TThread::Complete() {
  Ref<IDispatch> callback;
  {
    std::lock_guard guard(callbackLock_);
    callback = std::move(FOnTerminate);
  }
  if (callback) DispatchCall(callback.get(), DISPID_VALUE, {}, this, nullptr);
}

Variant TThread::Sync(IDispatch* Proc) {
  if (!Proc || !FEval) return Variant();
  const Variant source = DefaultValue(Proc);
  Variant code;
  if (Failed(ChangeType(source, VT_BSTR, code))) Fail(msg::kTypeMismatch);
  return FThread->Synchronize(FEval.get(), u"1?" + code.Text() + u":0");
}

Ref<IDispatch> TThread::Start() {
  FThread->Start(this);
  return this;
}

Ref<IDispatch> TThread::AddParam(const WideString& Name, const Variant& Value) {
  AddMember(Name, Value);
  return this;
}

void TThread::CheckCanFinish() {
  if (FThread->IsWorkerThread()) Fail(msg::kThreadWaitsForItself);
  if (!FThread->Started()) Fail(msg::kThreadNeverStarted);
}

Ref<IDispatch> TThread::Wait() {
  CheckCanFinish();
  Ref<TThread> keep(this);
  FThread->WaitFinished();
  return this;
}

Ref<IDispatch> TThread::Stop() {
  FThread->Terminate();
  return this;
}

Ref<IDispatch> TThread::OnFinish(IDispatch* Proc) {
  std::lock_guard guard(callbackLock_);
  FOnTerminate = Proc;
  return this;
}

Ref<IDispatch> TThread::AddItem(const WideString& Name, IDispatch* Member, bool IsGlobalMember) {
  FThread->AddItem(Name, Member, IsGlobalMember);
  return this;
}

int TThread::GetMemberId(std::u16string_view name) {
  std::lock_guard guard(membersLock_);
  return TVekObjectEx::GetMemberId(name);
}

int TThread::AddMember(const WideString& name, const Variant& value) {
  std::lock_guard guard(membersLock_);
  return TVekObjectEx::AddMember(name, value);
}

Variant TThread::GetMember(int id) {
  std::lock_guard guard(membersLock_);
  return TVekObjectEx::GetMember(id);
}

void TThread::SetMember(int id, const Variant& value) {
  std::lock_guard guard(membersLock_);
  TVekObjectEx::SetMember(id, value);
}

void TThread::DeleteMember(int id) {
  std::lock_guard guard(membersLock_);
  TVekObjectEx::DeleteMember(id);
}

// --- the list -------------------------------------------------------------------------------

void StopThreads() {
  for (const Ref<TThread>& t : ListedThreads()) t->Stop();
}

void WaitThreads() {
  for (;;) {
    std::vector<Ref<TThread>> threads = ListedThreads();
    if (AllFinished(threads)) return;
    for (const Ref<TThread>& t : threads) {
      if (!t->GetFinished()) t->CheckCanFinish();
    }
    WaitServingQueue([&] { return AllFinished(threads); });
  }
}

size_t WaitStartedThreads(uint32_t timeoutMs) {
  std::vector<Ref<TThread>> threads = ListedThreads();
  std::erase_if(threads, [](const Ref<TThread>& t) { return !t->Worker().Started() || t->Worker().IsWorkerThread(); });
  WaitServingQueue([&] { return AllFinished(threads); }, timeoutMs);
  return std::count_if(threads.begin(), threads.end(), [](const Ref<TThread>& t) { return !t->GetFinished(); });
}

void InterruptThreads() {
  for (const Ref<TThread>& t : ListedThreads()) t->Worker().Script().Interrupt();
}

size_t FinishScriptThreads(uint32_t graceMs) {
  constexpr uint32_t kAfterInterruptMs = 1000;
  StopThreads();
  if (WaitStartedThreads(graceMs) == 0) return 0;
  InterruptThreads();
  return WaitStartedThreads(kAfterInterruptMs);
}

}  // namespace ulka
