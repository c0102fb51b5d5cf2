#include "script/ActiveScript.h"

#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekObjectEx.h"
#include "script/JsHandles.h"
#include "script/MemoryCeiling.h"

extern "C" {
// Exported by JavaScriptCore, declared in its private headers.
typedef bool (*JSShouldTerminateCallback)(JSContextRef ctx, void* context);
JS_EXPORT void JSContextGroupSetExecutionTimeLimit(JSContextGroupRef group, double limit,
                                                   JSShouldTerminateCallback callback, void* context);
JS_EXPORT JSObjectRef JSGetMemoryUsageStatistics(JSContextRef ctx);
}

namespace ulka {

namespace {

constexpr HRESULT CO_E_CLASSSTRING = MakeStatus(0x800401F3);
constexpr double kInterruptPollSeconds = 0.05;

bool IsJavaScript(const WideString& language) {
  return SameText(language, u"JavaScript") || SameText(language, u"JScript") ||
         SameText(language, u"ECMAScript");
}

// What this engine's heap holds, with the memory its objects keep outside it (array buffers).
double EngineHeapBytes(JSContextRef ctx) {
  JSObjectRef statistics = JSGetMemoryUsageStatistics(ctx);
  if (!statistics) return 0;
  auto number = [&](const char* name) {
    JSValueRef value = JSObjectGetProperty(ctx, statistics, JsString(name), nullptr);
    return value && JSValueIsNumber(ctx, value) ? JSValueToNumber(ctx, value, nullptr) : 0.0;
  };
  return number("heapCapacity") + number("extraMemorySize");
}

// Whether this engine is the one that took the process past its ceiling: memory another engine
// let go of may not have gone back to the system yet, and must not stop this one.
bool EngineExceedsCeiling(JSContextRef ctx) {
  return ScriptMemoryExceeded() && EngineHeapBytes(ctx) > static_cast<double>(ScriptMemoryCeiling()) / 2;
}

// Polled while script code runs: an interrupt asked for, or the process past its memory ceiling.
bool ShouldTerminate(JSContextRef ctx, void* context) {
  auto* stop = static_cast<EngineStop*>(context);
  if (stop->interrupt) return true;
  if (EngineExceedsCeiling(ctx)) {
    stop->outOfMemory = true;
    return true;
  }
  // The engine polls once per limit it is given: ask for the next poll.
  JSContextGroupSetExecutionTimeLimit(JSContextGetGroup(ctx), kInterruptPollSeconds, ShouldTerminate, context);
  return false;
}

}  // namespace

TActiveScript::TActiveScript(void* owner) : owner_(owner) {}

TActiveScript::~TActiveScript() {
  Interrupt();
  Close();
  items_.clear();
}

HRESULT TActiveScript::InitNew(const WideString& language) {
  if (!IsJavaScript(language)) return CO_E_CLASSSTRING;
  if (context_) Close();
  group_ = JSContextGroupCreate();
  context_ = JSGlobalContextCreateInGroup(group_, nullptr);
  stop_->interrupt = false;
  stop_->outOfMemory = false;
  JSContextGroupSetExecutionTimeLimit(group_, kInterruptPollSeconds, ShouldTerminate, stop_.get());
  hasEngine_ = true;
  link_ = std::make_shared<EngineLink>();
  link_->stop = stop_;
  link_->onError = [this](const ScriptError& error) {
    if (onError_) onError_(error);
  };
  AttachContext(context_, link_);
  language_ = language;
  started_ = false;
  pending_.clear();
  for (const TActiveScriptItem& item : items_) RegisterItem(item);
  return S_OK;
}

namespace {

// The names an item shows: its interface's members and, for an expando object, the members it
// has now.
std::vector<WideString> MemberNames(IDispatch* item) {
  std::vector<WideString> names;
  const InterfaceInfo* info = nullptr;
  if (item->GetTypeInfoCount() > 0 && Succeeded(item->GetTypeInfo(0, info)) && info) {
    for (const MemberInfo& m : info->Members()) names.push_back(m.name);
  }
  if (auto* expando = dynamic_cast<TVekObjectEx*>(item)) {
    for (int i = 0; i < expando->Members().Count(); ++i) names.push_back(expando->Members().GetMemberName(i));
  }
  return names;
}

// The global object's prototype cannot change, so an item's members become globals as accessors
// that read and write the item.
void DefineGlobalMembers(JSGlobalContextRef ctx, IDispatch* item) {
  static const char16_t kDefine[] =
      u"(function (item, names) { names.forEach(function (n) {"
      u"  if (n in globalThis) return;"
      u"  Object.defineProperty(globalThis, n, { configurable: true,"
      u"    get: function () { return item[n]; }, set: function (v) { item[n] = v; } });"
      u"}); })";
  JSValueRef define = JSEvaluateScript(ctx, JsString(kDefine), nullptr, nullptr, 1, nullptr);
  if (!define || !JSValueIsObject(ctx, define)) return;
  std::vector<WideString> names = MemberNames(item);
  std::vector<JSValueRef> nameValues;
  for (const WideString& name : names) nameValues.push_back(JSValueMakeString(ctx, JsString(name)));
  JSValueRef args[] = {ToJs(ctx, Variant(item)), JSObjectMakeArray(ctx, nameValues.size(), nameValues.data(), nullptr)};
  JSObjectCallAsFunction(ctx, JSValueToObject(ctx, define, nullptr), nullptr, 2, args, nullptr);
}

}  // namespace

void TActiveScript::RegisterItem(const TActiveScriptItem& item) {
  JSObjectRef global = JSContextGetGlobalObject(context_);
  if (item.Flags == kGlobalMembers) {
    DefineGlobalMembers(context_, item.Item.get());
    return;
  }
  JSObjectSetProperty(context_, global, JsString(item.Name), ToJs(context_, Variant(item.Item.get())),
                      kJSPropertyAttributeDontDelete, nullptr);
}

HRESULT TActiveScript::AddItem(const WideString& name, IDispatch* item, bool isGlobalMembers) {
  uint32_t flags = isGlobalMembers ? kGlobalMembers : kVisibleItem;
  TActiveScriptItem* record = nullptr;
  for (TActiveScriptItem& existing : items_) {
    if (existing.Name == name) record = &existing;
  }
  if (record) {
    record->Item = Ref<IDispatch>(item);
    record->Flags = flags;
  } else {
    record = &items_.emplace_back(TActiveScriptItem{name, Ref<IDispatch>(item), flags});
  }
  if (context_) RegisterItem(*record);
  return S_OK;
}

HRESULT TActiveScript::GetItem(const WideString& name, Ref<IDispatch>& item) const {
  for (const TActiveScriptItem& existing : items_) {
    if (existing.Name == name) {
      item = existing.Item;
      return S_OK;
    }
  }
  item = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

bool TActiveScript::ItemExists(const WideString& name) const {
  Ref<IDispatch> item;
  return Succeeded(GetItem(name, item));
}

void TActiveScript::Assign(const TActiveScript& source) {
  items_ = source.items_;
  onError_ = source.onError_;
}

void TActiveScript::ReportError(JSValueRef exception) {
  if (onError_) onError_(ErrorFromException(context_, exception));
}

// The script was stopped where it stood; what it built is garbage now, so give it back at once.
void TActiveScript::ReportOutOfMemory() {
  JSGarbageCollect(context_);
  ScriptError error;
  error.description = Wide(msg::kOutOfMemory);
  error.code = E_OUTOFMEMORY;
  if (onError_) onError_(error);
}

HRESULT TActiveScript::EvaluateNow(const WideString& code, Variant* result) {
  JsString script(code);
  JSValueRef exception = nullptr;
  JSValueRef value = JSEvaluateScript(context_, script, nullptr, nullptr, 1, &exception);
  if (exception) {
    if (stop_->outOfMemory.exchange(false)) ReportOutOfMemory();
    else if (!stop_->interrupt) ReportError(exception);
    return E_FAIL;
  }
  if (result) *result = FromJs(context_, value);
  return S_OK;
}

HRESULT TActiveScript::ParseScriptText(const WideString& code, bool isExpression, Variant* result) {
  if (started_) return EvaluateNow(code, result);
  JsString script(code);
  JSValueRef exception = nullptr;
  if (!JSCheckScriptSyntax(context_, script, nullptr, 1, &exception)) {
    ReportError(exception);
    return E_FAIL;
  }
  pending_.push_back(code);  // runs when the engine starts
  return S_OK;
}

HRESULT TActiveScript::AddCode(const WideString& code) {
  if (!context_) return E_FAIL;
  return ParseScriptText(code, false, nullptr);
}

HRESULT TActiveScript::Run() {
  if (!context_) return E_FAIL;
  if (started_) return S_OK;
  started_ = true;
  HRESULT hr = S_OK;
  std::vector<WideString> blocks;
  blocks.swap(pending_);
  for (const WideString& block : blocks) {
    if (Failed(EvaluateNow(block, nullptr))) hr = E_FAIL;
  }
  return hr;
}

HRESULT TActiveScript::Execute(const WideString& code) {
  if (!context_) return E_FAIL;
  HRESULT hr = Run();
  if (Failed(hr)) return hr;
  return EvaluateNow(code, nullptr);
}

HRESULT TActiveScript::Evaluate(const WideString& code, Variant& result) {
  if (!context_) return E_FAIL;
  HRESULT hr = Run();
  if (Failed(hr)) return hr;
  return EvaluateNow(code, &result);
}

HRESULT TActiveScript::GetScriptDispatch(const WideString*, Ref<IDispatch>& dispatch) {
  dispatch = nullptr;
  if (!context_) return E_FAIL;
  HRESULT hr = Run();
  if (Failed(hr)) return hr;
  Variant global = FromJs(context_, JSContextGetGlobalObject(context_));
  dispatch = Ref<IDispatch>(global.Dispatch());
  return dispatch ? S_OK : E_FAIL;
}

bool TActiveScript::GlobalId(const WideString& name, Ref<IDispatch>& global, DISPID& id) {
  if (!IsRunning() || Failed(GetScriptDispatch(nullptr, global))) return false;
  return Succeeded(global->GetIDsOfNames(std::span<const WideString>(&name, 1), &id));
}

bool TActiveScript::IsMember(const WideString& name) {
  Ref<IDispatch> global;
  DISPID id;
  return GlobalId(name, global, id);
}

bool TActiveScript::GetMember(const WideString& name, Variant& value) {
  value.Clear();
  Ref<IDispatch> global;
  DISPID id;
  if (!GlobalId(name, global, id)) return false;
  DispParams none;
  return Succeeded(global->Invoke(id, DISPATCH_PROPERTYGET, none, &value, nullptr));
}

bool TActiveScript::SetVar(const WideString& name, const Variant& value) {
  if (!IsRunning()) return false;
  Ref<IDispatch> global;
  if (Failed(GetScriptDispatch(nullptr, global))) return false;
  DISPID id;
  if (Failed(global->GetIDsOfNames(std::span<const WideString>(&name, 1), &id))) {
    IDispatchEx* ex = global->DispatchEx();
    if (!ex || Failed(ex->GetDispID(name, fdexNameCaseSensitive | fdexNameEnsure, id))) return false;
  }
  NamedArg put{DISPID_PROPERTYPUT, value};
  DispParams params{{}, std::span<NamedArg>(&put, 1)};
  uint16_t flags = value.IsObject() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  return Succeeded(global->Invoke(id, flags, params, nullptr, nullptr));
}

bool TActiveScript::Call(const WideString& name, std::span<const Variant> params, IDispatch* self,
                         Variant* result) {
  Ref<IDispatch> global;
  DISPID id;
  if (!GlobalId(name, global, id)) return false;
  return Succeeded(DispatchCall(global.get(), id, params, self, result));
}

HRESULT TActiveScript::Interrupt() {
  if (!hasEngine_) return E_FAIL;
  stop_->interrupt = true;
  return S_OK;
}

HRESULT TActiveScript::Close() {
  if (!context_) return E_FAIL;
  hasEngine_ = false;
  DetachContext(context_);
  JSGlobalContextRelease(context_);
  JSContextGroupRelease(group_);
  context_ = nullptr;
  group_ = nullptr;
  link_.reset();
  started_ = false;
  pending_.clear();
  return S_OK;
}

HRESULT DispatchCall(IDispatch* dispatch, DISPID id, std::span<const Variant> params, IDispatch* self,
                     Variant* result) {
  if (!dispatch) return E_POINTER;
  std::vector<Variant> args(params.begin(), params.end());
  NamedArg thisArg{DISPID_THIS, Variant(self)};
  DispParams call{args, self ? std::span<NamedArg>(&thisArg, 1) : std::span<NamedArg>()};
  return dispatch->Invoke(id, DISPATCH_METHOD, call, result, nullptr);
}

}  // namespace ulka
