#include "script/JsDispatch.h"

#include "automation/Messages.h"
#include "automation/ThreadQueue.h"
#include "automation/Unicode.h"

namespace ulka {

JsDispatch::JsDispatch(JSContextRef ctx, JSObjectRef object, std::shared_ptr<EngineLink> link)
    : value_(ctx, object),
      link_(std::move(link)),
      owner_(link_ ? link_->owner : std::this_thread::get_id()),
      callable_(JSObjectIsFunction(ctx, object)) {
  if (!link_) return;
  std::lock_guard guard(link_->valuesLock);
  link_->values.insert(&value_);
}

JsDispatch::~JsDispatch() {
  if (!link_) return;
  std::lock_guard guard(link_->valuesLock);
  link_->values.erase(&value_);
  value_.Reset();
}

bool JsDispatch::OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

// The engine's lock is held while its script runs, so another thread never touches the value: the
// last reference goes back to the engine's thread, or is dropped at once when that engine has
// ended (nothing runs in it any more).
uint32_t JsDispatch::Release() {
  uint32_t left = ReleaseCount();
  if (left != 0) return left;
  const bool engineEnded = link_ && !link_->alive;
  if (OnOwnerThread() || engineEnded || !PostToThread(owner_, [this] { delete this; })) delete this;
  return 0;
}

template <class F>
HRESULT JsDispatch::OnOwner(F&& body) {
  if (link_ && !link_->alive) return E_UNEXPECTED;
  if (OnOwnerThread()) return body();
  HRESULT hr = RPC_E_WRONG_THREAD;
  try {
    if (!RunOnThread(owner_, [&] { hr = link_ && !link_->alive ? E_UNEXPECTED : body(); })) hr = RPC_E_WRONG_THREAD;
  } catch (...) {
    hr = E_UNEXPECTED;
  }
  return hr;
}

DISPID JsDispatch::IdOf(const WideString& name) {
  std::lock_guard guard(namesLock_);
  for (size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == name) return static_cast<DISPID>(i + 1);
  }
  names_.push_back(name);
  return static_cast<DISPID>(names_.size());
}

HRESULT JsDispatch::GetIDsOfNames(std::span<const WideString> names, DISPID* ids) {
  if (names.empty()) return E_INVALIDARG;
  for (size_t i = 1; i < names.size(); ++i) ids[i] = DISPID_UNKNOWN;
  return OnOwner([&] { return GetIDsOfNamesHere(names, ids); });
}

HRESULT JsDispatch::GetIDsOfNamesHere(std::span<const WideString> names, DISPID* ids) {
  JSContextRef ctx = Context();
  if (!JSObjectHasProperty(ctx, Object(), JsString(names[0]))) {
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  ids[0] = IdOf(names[0]);
  return names.size() > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT JsDispatch::GetDispID(const WideString& name, uint32_t flags, DISPID& id) {
  return OnOwner([&] { return GetDispIDHere(name, flags, id); });
}

HRESULT JsDispatch::GetDispIDHere(const WideString& name, uint32_t flags, DISPID& id) {
  JSContextRef ctx = Context();
  JsString jsName(name);
  if (!JSObjectHasProperty(ctx, Object(), jsName)) {
    if (!(flags & fdexNameEnsure)) {
      id = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    JSObjectSetProperty(ctx, Object(), jsName, JSValueMakeUndefined(ctx), kJSPropertyAttributeNone, nullptr);
  }
  id = IdOf(name);
  return S_OK;
}

HRESULT JsDispatch::Fail(JSContextRef ctx, JSValueRef exception, ExcepInfo* excep) {
  ScriptError error = ErrorFromException(ctx, exception);
  EngineStop* stop = link_ ? link_->stop.get() : nullptr;
  // Code stopped by an interrupt is not at fault. Running past the memory ceiling is reported
  // once, and what the script built is given back at once.
  bool report = !(stop && stop->interrupt);
  if (stop && stop->outOfMemory.exchange(false)) {
    JSGarbageCollect(ctx);
    error = ScriptError{};
    error.description = Wide(msg::kOutOfMemory);
    error.code = E_OUTOFMEMORY;
    report = true;
  }
  if (report && link_ && link_->onError) link_->onError(error);
  if (excep) {
    excep->description = error.description;
    excep->scode = error.code ? error.code : E_FAIL;
  }
  return DISP_E_EXCEPTION;
}

HRESULT JsDispatch::Call(JSContextRef ctx, JSObjectRef function, DispParams& params,
                         Variant* result, ExcepInfo* excep) {
  if (!JSObjectIsFunction(ctx, function)) return DISP_E_BADCALLEE;
  JSObjectRef self = nullptr;
  if (const Variant* thisArg = params.Named(DISPID_THIS)) {
    JSValueRef t = ToJs(ctx, *thisArg);
    if (JSValueIsObject(ctx, t)) self = JSValueToObject(ctx, t, nullptr);
  }
  constexpr size_t kInline = 8;
  JSValueRef inlineArgs[kInline];
  std::vector<JSValueRef> heapArgs;
  JSValueRef* args = inlineArgs;
  if (params.args.size() > kInline) {
    heapArgs.resize(params.args.size());
    args = heapArgs.data();
  }
  for (size_t i = 0; i < params.args.size(); ++i) args[i] = ToJs(ctx, params.args[i]);
  JSValueRef exception = nullptr;
  JSValueRef value = JSObjectCallAsFunction(ctx, function, self, params.args.size(), args, &exception);
  if (exception) return Fail(ctx, exception, excep);
  if (result) *result = FromJs(ctx, value);
  return S_OK;
}

HRESULT JsDispatch::Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                           ExcepInfo* excep) {
  return OnOwner([&] { return InvokeHere(id, flags, params, result, excep); });
}

HRESULT JsDispatch::InvokeHere(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                               ExcepInfo* excep) {
  JSContextRef ctx = Context();
  JSObjectRef object = Object();
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);

  if (id == DISPID_VALUE) {
    if (flags & DISPATCH_METHOD) {
      if (JSObjectIsFunction(ctx, object)) return Call(ctx, object, params, result, excep);
      if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    }
    if (put) return DISP_E_MEMBERNOTFOUND;
    if (result) *result = Variant(JsValueText(ctx, object));  // a function's source text
    return S_OK;
  }

  WideString name;
  {
    std::lock_guard guard(namesLock_);
    if (id < 1 || static_cast<size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
    name = names_[id - 1];
  }
  JsString jsName(name);
  JSValueRef exception = nullptr;
  if (put) {
    const Variant* value = params.Named(DISPID_PROPERTYPUT);
    if (!value) return DISP_E_BADPARAMCOUNT;
    JSObjectSetProperty(ctx, object, jsName, ToJs(ctx, *value), kJSPropertyAttributeNone, &exception);
    return exception ? Fail(ctx, exception, excep) : S_OK;
  }
  JSValueRef member = JSObjectGetProperty(ctx, object, jsName, &exception);
  if (exception) return Fail(ctx, exception, excep);
  if (flags & DISPATCH_METHOD) {
    JSObjectRef fn = JSValueIsObject(ctx, member) ? JSValueToObject(ctx, member, nullptr) : nullptr;
    if (fn && JSObjectIsFunction(ctx, fn)) {
      // A method call: `this` is the object unless the caller named another.
      NamedArg self{DISPID_THIS, Variant(static_cast<IDispatch*>(this))};
      DispParams call{params.args, params.Named(DISPID_THIS) ? params.named : std::span<NamedArg>(&self, 1)};
      return Call(ctx, fn, call, result, excep);
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !params.args.empty()) return DISP_E_BADCALLEE;
  }
  if (result) *result = FromJs(ctx, member);
  return S_OK;
}

}  // namespace ulka
