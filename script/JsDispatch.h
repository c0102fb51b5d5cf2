// A JavaScript function or object handed to the host: a dispatch object whose default value is
// the function's source text and whose default method calls it. It belongs to its engine's
// thread: calls from other threads are run there (when that thread serves its call queue), and a
// last reference dropped elsewhere is given back there.
#pragma once

#include <mutex>
#include <vector>

#include "automation/Dispatch.h"
#include "script/JsBinding.h"
#include "script/JsHandles.h"

namespace ulka {

class JsDispatch : public IDispatch, public IDispatchEx, protected RefCounted {
 public:
  JsDispatch(JSContextRef ctx, JSObjectRef object, std::shared_ptr<EngineLink> link);

  uint32_t AddRef() override { return AddRefCount(); }
  uint32_t Release() override;
  HRESULT GetIDsOfNames(std::span<const WideString> names, DISPID* ids) override;
  HRESULT Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                 ExcepInfo* excep) override;
  IDispatchEx* DispatchEx() override { return this; }
  bool IsCallable() override { return callable_; }
  HRESULT GetDispID(const WideString& name, uint32_t flags, DISPID& id) override;
  HRESULT InvokeEx(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                   ExcepInfo* excep, IDispatch* caller) override {
    return Invoke(id, flags, params, result, excep);
  }

  JSGlobalContextRef Context() const { return value_.context(); }
  JSObjectRef Object() const { return const_cast<JSObjectRef>(value_.get()); }

 private:
  ~JsDispatch() override;
  bool OnOwnerThread() const;
  template <class F>
  HRESULT OnOwner(F&& body);
  HRESULT InvokeHere(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep);
  HRESULT GetIDsOfNamesHere(std::span<const WideString> names, DISPID* ids);
  HRESULT GetDispIDHere(const WideString& name, uint32_t flags, DISPID& id);
  DISPID IdOf(const WideString& name);
  HRESULT Fail(JSContextRef ctx, JSValueRef exception, ExcepInfo* excep);
  HRESULT Call(JSContextRef ctx, JSObjectRef function, DispParams& params, Variant* result,
               ExcepInfo* excep);

  JsProtected value_;
  std::shared_ptr<EngineLink> link_;
  std::thread::id owner_;
  bool callable_;
  std::mutex namesLock_;
  std::vector<WideString> names_;  // dispatch id = position + 1
};

}  // namespace ulka
