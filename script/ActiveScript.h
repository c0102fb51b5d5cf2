// The host of one JavaScript engine: named items, code blocks, start, evaluation, globals by
// name, calls with a `this` object, interruption, and script errors handed to a handler.
#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <memory>
#include <vector>

#include "automation/Dispatch.h"
#include "script/JsBinding.h"
#include "script/ScriptError.h"

namespace ulka {

struct TActiveScriptItem {
  WideString Name;  // compared exactly
  Ref<IDispatch> Item;
  uint32_t Flags;  // 6: visible by name; 8: its members are globals
};

class TActiveScript {
 public:
  static constexpr uint32_t kVisibleItem = 6;
  static constexpr uint32_t kGlobalMembers = 8;

  explicit TActiveScript(void* owner = nullptr);
  TActiveScript(const TActiveScript&) = delete;
  TActiveScript& operator=(const TActiveScript&) = delete;
  ~TActiveScript();

  HRESULT InitNew(const WideString& language);
  HRESULT AddItem(const WideString& name, IDispatch* item, bool isGlobalMembers);
  HRESULT GetItem(const WideString& name, Ref<IDispatch>& item) const;
  bool ItemExists(const WideString& name) const;
  void RemoveAllItems() { items_.clear(); }
  void Assign(const TActiveScript& source);

  HRESULT AddCode(const WideString& code);
  HRESULT Execute(const WideString& code);
  HRESULT Evaluate(const WideString& code, Variant& result);
  HRESULT Run();
  bool IsRunning() const { return context_ && started_; }
  HRESULT GetScriptDispatch(const WideString* name, Ref<IDispatch>& dispatch);

  bool IsMember(const WideString& name);
  bool GetMember(const WideString& name, Variant& value);
  bool GetVar(const WideString& name, Variant& value) { return GetMember(name, value); }
  bool SetVar(const WideString& name, const Variant& value);
  bool Call(const WideString& name, std::span<const Variant> params, IDispatch* self, Variant* result);

  HRESULT Interrupt();  // any thread
  HRESULT Close();

  void SetOnError(ScriptErrorHandler handler) { onError_ = std::move(handler); }
  const ScriptErrorHandler& OnError() const { return onError_; }
  void* Owner() const { return owner_; }
  const WideString& Language() const { return language_; }
  JSGlobalContextRef Context() const { return context_; }

 private:
  void RegisterItem(const TActiveScriptItem& item);
  HRESULT ParseScriptText(const WideString& code, bool isExpression, Variant* result);
  HRESULT EvaluateNow(const WideString& code, Variant* result);
  void ReportError(JSValueRef exception);
  void ReportOutOfMemory();
  bool GlobalId(const WideString& name, Ref<IDispatch>& global, DISPID& id);

  void* owner_;
  WideString language_;
  JSContextGroupRef group_ = nullptr;
  JSGlobalContextRef context_ = nullptr;
  std::shared_ptr<EngineLink> link_;
  bool started_ = false;
  std::vector<WideString> pending_;  // blocks added before the engine started
  std::vector<TActiveScriptItem> items_;
  ScriptErrorHandler onError_;
  const std::shared_ptr<EngineStop> stop_ = std::make_shared<EngineStop>();  // read by the engine's watchdog
  std::atomic<bool> hasEngine_{false};  // Interrupt may come from any thread
};

// Runs `dispatch`'s member `id` as a method with `this` as the named `this` argument and the
// parameters in call order.
HRESULT DispatchCall(IDispatch* dispatch, DISPID id, std::span<const Variant> params, IDispatch* self,
                     Variant* result);

}  // namespace ulka
