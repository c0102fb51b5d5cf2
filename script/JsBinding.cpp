#include "script/JsBinding.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "automation/ByteConvert.h"
#include "automation/Dates.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "script/JsDispatch.h"
#include "script/JsHandles.h"

extern "C" {
// Exported by JavaScriptCore, declared in its private headers: a map whose values the collector
// clears when their objects die.
typedef struct OpaqueJSWeakObjectMap* JSWeakObjectMapRef;
typedef void (*JSWeakMapDestroyedCallback)(JSWeakObjectMapRef map, void* data);
JS_EXPORT JSWeakObjectMapRef JSWeakObjectMapCreate(JSContextRef ctx, void* data, JSWeakMapDestroyedCallback destructor);
JS_EXPORT void JSWeakObjectMapSet(JSContextRef ctx, JSWeakObjectMapRef map, void* key, JSObjectRef object);
JS_EXPORT JSObjectRef JSWeakObjectMapGet(JSContextRef ctx, JSWeakObjectMapRef map, void* key);
}

namespace ulka {

namespace {

struct ContextData {
  std::shared_ptr<EngineLink> link;
  JSObjectRef prototype = nullptr;          // protected while attached
  JSObjectRef iterablePrototype = nullptr;  // likewise
  JSWeakObjectMapRef wrappers = nullptr;    // host object -> its live wrapper; dies with the context
};

std::mutex contextsLock;
std::map<JSGlobalContextRef, ContextData>& Contexts() {
  static std::map<JSGlobalContextRef, ContextData> contexts;
  return contexts;
}

std::shared_ptr<EngineLink> LinkOf(JSContextRef ctx) {
  std::lock_guard guard(contextsLock);
  auto it = Contexts().find(JSContextGetGlobalContext(ctx));
  return it == Contexts().end() ? nullptr : it->second.link;
}

// The bytes of a typed array or ArrayBuffer, in place. The engine pins the buffer when its bytes
// are asked for, so it cannot move or be detached while the value is in use.
std::span<const uint8_t> TypedArrayBytes(JSContextRef ctx, JSObjectRef object, JSTypedArrayType type) {
  const uint8_t* data;
  size_t length;
  if (type == kJSTypedArrayTypeArrayBuffer) {
    data = static_cast<const uint8_t*>(JSObjectGetArrayBufferBytesPtr(ctx, object, nullptr));
    length = JSObjectGetArrayBufferByteLength(ctx, object, nullptr);
  } else {
    data = static_cast<const uint8_t*>(JSObjectGetTypedArrayBytesPtr(ctx, object, nullptr));
    length = JSObjectGetTypedArrayByteLength(ctx, object, nullptr);
    if (data) data += JSObjectGetTypedArrayByteOffset(ctx, object, nullptr);
  }
  if (!data) return {};
  return {data, length};
}

std::atomic<bool> ownBufferArrays{true};

JSValueRef NewUint8Array(JSContextRef ctx, std::span<const uint8_t> bytes) {
  JSObjectRef array = JSObjectMakeTypedArray(ctx, kJSTypedArrayTypeUint8Array, bytes.size(), nullptr);
  if (!array) return JSValueMakeUndefined(ctx);
  if (!bytes.empty()) {
    void* target = JSObjectGetTypedArrayBytesPtr(ctx, array, nullptr);
    std::memcpy(target, bytes.data(), bytes.size());
  }
  return array;
}

void FreeBytes(void*, void* holder) { delete static_cast<Bytes*>(holder); }

// A Uint8Array over a buffer handed to the engine, which frees it with the array (on whichever
// thread its collector finalises it).
JSValueRef Uint8ArrayOver(JSContextRef ctx, Bytes&& bytes) {
  if (bytes.empty() || !ownBufferArrays.load(std::memory_order_relaxed)) return NewUint8Array(ctx, bytes);
  auto* holder = new Bytes(std::move(bytes));
  // On failure the engine has already released the buffer through FreeBytes.
  JSObjectRef array = JSObjectMakeTypedArrayWithBytesNoCopy(ctx, kJSTypedArrayTypeUint8Array, holder->data(),
                                                            holder->size(), FreeBytes, holder, nullptr);
  return array ? array : JSValueMakeUndefined(ctx);
}

Variant ElementOf(const SafeArray& a, size_t i) {
  if (!a.items.empty()) return a.items[i];
  const uint8_t* p = a.Packed().data() + i * SafeArray::ElementSize(a.elementType);
  auto load = [p](auto v) {
    std::memcpy(&v, p, sizeof v);
    return v;
  };
  switch (a.elementType) {
    case VT_I1: return Variant(static_cast<int32_t>(load(int8_t{})));
    case VT_UI1: return Variant(static_cast<int32_t>(load(uint8_t{})));
    case VT_I2: return Variant(load(int16_t{}));
    case VT_UI2: return Variant(load(uint16_t{}));
    case VT_BOOL: return Variant(load(int16_t{}) != 0);
    case VT_I4: return Variant(load(int32_t{}));
    case VT_UI4: return Variant(load(uint32_t{}));
    case VT_R4: return Variant(load(float{}));
    case VT_R8: return Variant(load(double{}));
    case VT_DATE: return Variant(Date{load(double{})});
    case VT_CY: return Variant(Currency{load(int64_t{})});
    case VT_I8: return Variant(load(int64_t{}));
    case VT_UI8: return Variant(load(uint64_t{}));
    default: return Variant();
  }
}

JSValueRef ArrayToJs(JSContextRef ctx, const SafeArray& a) {
  if (a.elementType == VT_UI1 && a.bounds.size() == 1) {
    std::span<const uint8_t> packed = a.Packed();
    return NewUint8Array(ctx, packed.first(std::min(packed.size(), a.FirstDimensionCount())));
  }
  size_t n = a.ElementCount();
  std::vector<JSValueRef> items(n);
  for (size_t i = 0; i < n; ++i) items[i] = ToJs(ctx, ElementOf(a, i));
  return JSObjectMakeArray(ctx, n, items.data(), nullptr);
}

}  // namespace

void AttachContext(JSGlobalContextRef ctx, std::shared_ptr<EngineLink> link) {
  std::lock_guard guard(contextsLock);
  Contexts()[ctx].link = std::move(link);
}

void DetachContext(JSGlobalContextRef ctx) {
  ContextData data;
  {
    std::lock_guard guard(contextsLock);
    auto it = Contexts().find(ctx);
    if (it == Contexts().end()) return;
    data = std::move(it->second);
    Contexts().erase(it);
  }
  if (data.link) {
    data.link->alive = false;
    std::lock_guard guard(data.link->valuesLock);
    for (JsProtected* value : data.link->values) value->Reset();
    data.link->values.clear();
  }
  if (data.prototype) JSValueUnprotect(ctx, data.prototype);
  if (data.iterablePrototype) JSValueUnprotect(ctx, data.iterablePrototype);
}

namespace {

// A context's own object, made once while the context is attached (else made on every call).
JSObjectRef CachedForContext(JSContextRef ctx, JSObjectRef ContextData::*slot, JSObjectRef (*make)(JSContextRef)) {
  JSGlobalContextRef global = JSContextGetGlobalContext(ctx);
  {
    std::lock_guard guard(contextsLock);
    auto it = Contexts().find(global);
    if (it != Contexts().end() && it->second.*slot) return it->second.*slot;
  }
  JSObjectRef made = make(ctx);
  std::lock_guard guard(contextsLock);
  auto it = Contexts().find(global);
  if (it == Contexts().end()) return made;
  if (!(it->second.*slot)) {
    JSValueProtect(ctx, made);
    it->second.*slot = made;
  }
  return it->second.*slot;
}

// Collections: `for...of` walks the array their _NewEnum member answers.
JSObjectRef MakeIterablePrototype(JSContextRef ctx) {
  static const char16_t kMake[] =
      u"(function (base) { var p = Object.create(base);"
      u"  Object.defineProperty(p, Symbol.iterator, { value: function () {"
      u"    var items = this._NewEnum(); return (items === undefined ? [] : items)[Symbol.iterator](); } });"
      u"  return p; })";
  JSValueRef make = JSEvaluateScript(ctx, JsString(kMake), nullptr, nullptr, 1, nullptr);
  JSValueRef base = PrototypeFor(ctx);
  JSValueRef made = make && JSValueIsObject(ctx, make)
                        ? JSObjectCallAsFunction(ctx, JSValueToObject(ctx, make, nullptr), nullptr, 1, &base, nullptr)
                        : nullptr;
  return made && JSValueIsObject(ctx, made) ? JSValueToObject(ctx, made, nullptr) : PrototypeFor(ctx);
}

}  // namespace

JSObjectRef PrototypeFor(JSContextRef ctx) {
  return CachedForContext(ctx, &ContextData::prototype, MakeMissingPrototype);
}

JSObjectRef IterablePrototypeFor(JSContextRef ctx) {
  return CachedForContext(ctx, &ContextData::iterablePrototype, MakeIterablePrototype);
}

JSObjectRef KnownWrapper(JSContextRef ctx, IDispatch* object) {
  JSWeakObjectMapRef map = nullptr;
  {
    std::lock_guard guard(contextsLock);
    auto it = Contexts().find(JSContextGetGlobalContext(ctx));
    if (it != Contexts().end()) map = it->second.wrappers;
  }
  return map ? JSWeakObjectMapGet(ctx, map, object) : nullptr;
}

void RememberWrapper(JSContextRef ctx, IDispatch* object, JSObjectRef wrapper) {
  JSWeakObjectMapRef map = nullptr;
  {
    std::lock_guard guard(contextsLock);
    auto it = Contexts().find(JSContextGetGlobalContext(ctx));
    if (it == Contexts().end()) return;  // not attached: no identity
    if (!it->second.wrappers) it->second.wrappers = JSWeakObjectMapCreate(ctx, nullptr, nullptr);
    map = it->second.wrappers;
  }
  JSWeakObjectMapSet(ctx, map, object, wrapper);
}

WideString JsValueText(JSContextRef ctx, JSValueRef value) {
  JSStringRef s = JSValueToStringCopy(ctx, value, nullptr);
  if (!s) return {};
  JsString text = JsString::Adopt(s);
  return ToWide(text);
}

namespace {

// Below this many bytes a copy costs less than setting up a loan (asking the engine whether the
// array's buffer can shrink, and ending the loan after the call).
constexpr size_t kLendFrom = 4096;

// A buffer that can shrink (a resizable ArrayBuffer) could lose bytes under a loan if the host
// called back into the script during the call: such bytes are copied instead.
bool CanShrink(JSContextRef ctx, JSObjectRef object, JSTypedArrayType type) {
  JSObjectRef buffer = type == kJSTypedArrayTypeArrayBuffer ? object : JSObjectGetTypedArrayBuffer(ctx, object, nullptr);
  if (!buffer) return true;
  static const JsString kResizable("resizable");
  return JSValueToBoolean(ctx, JSObjectGetProperty(ctx, buffer, kResizable, nullptr));
}

}  // namespace

Variant FromJsArgument(JSContextRef ctx, JSValueRef value) {
  // Every call into the engine takes its lock, so a byte array argument is read with as few as
  // possible: a typed array is an object, so the value is its object reference.
  const JSTypedArrayType typed = JSValueGetTypedArrayType(ctx, value, nullptr);
  if (typed == kJSTypedArrayTypeNone) return FromJs(ctx, value);
  JSObjectRef object = const_cast<JSObjectRef>(value);
  std::span<const uint8_t> bytes = TypedArrayBytes(ctx, object, typed);
  if (bytes.size() >= kLendFrom && !CanShrink(ctx, object, typed)) return Variant::LendBytes(bytes);
  return Variant::FromBytes(Bytes(bytes.begin(), bytes.end()));
}

void AllowOwnBufferArrays(bool allow) { ownBufferArrays = allow; }

JSValueRef ToJs(JSContextRef ctx, Variant&& value) {
  if (std::optional<Bytes> own = TakeOwnBytes(value)) return Uint8ArrayOver(ctx, std::move(*own));
  return ToJs(ctx, std::as_const(value));
}

Variant FromJs(JSContextRef ctx, JSValueRef value) {
  switch (JSValueGetType(ctx, value)) {
    case kJSTypeUndefined:
      return Variant();
    case kJSTypeNull:
      return Variant::Null();
    case kJSTypeBoolean:
      return Variant(JSValueToBoolean(ctx, value));
    case kJSTypeNumber: {
      double d = JSValueToNumber(ctx, value, nullptr);
      if (d >= -2147483648.0 && d <= 2147483647.0 && d == std::floor(d) && !(d == 0 && std::signbit(d))) {
        return Variant(static_cast<int32_t>(d));
      }
      return Variant(d);
    }
    case kJSTypeString: {
      JsString s = JsString::Adopt(JSValueToStringCopy(ctx, value, nullptr));
      return Variant(ToWide(s));
    }
    case kJSTypeObject: {
      if (IDispatch* host = UnwrapHostObject(ctx, value)) return Variant(host);
      JSObjectRef object = JSValueToObject(ctx, value, nullptr);
      JSTypedArrayType typed = JSValueGetTypedArrayType(ctx, value, nullptr);
      if (typed != kJSTypedArrayTypeNone) {
        std::span<const uint8_t> bytes = TypedArrayBytes(ctx, object, typed);
        return Variant::FromBytes(Bytes(bytes.begin(), bytes.end()));
      }
      if (JSValueIsDate(ctx, value)) {
        return Variant(DateFromUnixMs(JSValueToNumber(ctx, value, nullptr)));
      }
      Ref<IDispatch> wrapped(new JsDispatch(ctx, object, LinkOf(ctx)));
      return Variant(wrapped.get());
    }
    default:
      return Variant(JSValueToNumber(ctx, value, nullptr));
  }
}

JSValueRef ToJs(JSContextRef ctx, const Variant& source) {
  const Variant& v = source.Deref();
  VarType t = v.Type();
  if (t & VT_ARRAY) return v.Array() ? ArrayToJs(ctx, *v.Array()) : JSValueMakeUndefined(ctx);
  switch (t) {
    case VT_EMPTY:
    case VT_ERROR:
      return JSValueMakeUndefined(ctx);
    case VT_NULL:
      return JSValueMakeNull(ctx);
    case VT_BOOL:
      return JSValueMakeBoolean(ctx, v.Bool());
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
      return JSValueMakeNumber(ctx, static_cast<double>(v.Int()));
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
      return JSValueMakeNumber(ctx, static_cast<double>(v.UInt()));
    case VT_R4:
      return JSValueMakeNumber(ctx, v.Float());
    case VT_R8:
      return JSValueMakeNumber(ctx, v.Double());
    case VT_CY:
      return JSValueMakeNumber(ctx, static_cast<double>(v.Int()) / 10000.0);
    case VT_DATE: {
      JSValueRef time = JSValueMakeNumber(ctx, UnixMsFromDate(Date{v.Double()}));
      return JSObjectMakeDate(ctx, 1, &time, nullptr);
    }
    case VT_BSTR: {
      JsString s(v.Text());
      return JSValueMakeString(ctx, s);
    }
    case VT_DISPATCH: {
      IDispatch* d = v.Dispatch();
      if (!d) return JSValueMakeNull(ctx);
      if (auto* js = dynamic_cast<JsDispatch*>(d); js && js->Context() == JSContextGetGlobalContext(ctx)) {
        return js->Object();
      }
      return WrapHostObject(ctx, d);
    }
    default:
      return JSValueMakeUndefined(ctx);
  }
}

JSValueRef MakeJsError(JSContextRef ctx, const WideString& message, HRESULT number) {
  JsString text(message);
  JSValueRef args[] = {JSValueMakeString(ctx, text)};
  JSObjectRef error = JSObjectMakeError(ctx, 1, args, nullptr);
  JSObjectSetProperty(ctx, error, JsString("number"), JSValueMakeNumber(ctx, number),
                      kJSPropertyAttributeNone, nullptr);
  return error;
}

namespace {

WideString TextOfStatus(HRESULT hr) {
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return Wide(msg::kUnknownMember);
    case DISP_E_TYPEMISMATCH:
      return Wide(msg::kTypeMismatch);
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_NONAMEDARGS:
      return Wide(msg::kBadParamCount);
    case DISP_E_PARAMNOTOPTIONAL:
      return Wide(msg::kParamNotOptional);
    case DISP_E_OVERFLOW:
      return Wide(msg::kOverflow);
    case DISP_E_BADCALLEE:
      return Wide(msg::kNotACallable);
    case RPC_E_WRONG_THREAD:
      return Wide(msg::kBridgeWrongThread);
    case RPC_E_DISCONNECTED:
      return Wide(msg::kBridgeDisconnected);
    default: {
      char text[48];
      std::snprintf(text, sizeof text, "Automation error 0x%08X", static_cast<unsigned>(hr));
      return Wide(text);
    }
  }
}

}  // namespace

JSValueRef MakeDispatchError(JSContextRef ctx, HRESULT hr, const ExcepInfo& excep) {
  if (hr == DISP_E_EXCEPTION) return MakeJsError(ctx, excep.description, excep.scode ? excep.scode : E_FAIL);
  return MakeJsError(ctx, TextOfStatus(hr), hr);
}

ScriptError ErrorFromException(JSContextRef ctx, JSValueRef exception) {
  ScriptError error;
  error.code = E_FAIL;
  if (!JSValueIsObject(ctx, exception)) {
    error.description = JsValueText(ctx, exception);
    return error;
  }
  JSObjectRef object = JSValueToObject(ctx, exception, nullptr);
  auto property = [&](const char* name) { return JSObjectGetProperty(ctx, object, JsString(name), nullptr); };
  JSValueRef message = property("message");
  error.description = JSValueIsUndefined(ctx, message) ? JsValueText(ctx, exception) : JsValueText(ctx, message);
  JSValueRef line = property("line");
  if (JSValueIsNumber(ctx, line)) error.line = static_cast<int>(JSValueToNumber(ctx, line, nullptr)) - 1;
  JSValueRef column = property("column");
  if (JSValueIsNumber(ctx, column)) error.character = std::max(0, static_cast<int>(JSValueToNumber(ctx, column, nullptr)) - 1);
  JSValueRef number = property("number");
  if (JSValueIsNumber(ctx, number)) error.code = static_cast<HRESULT>(static_cast<int64_t>(JSValueToNumber(ctx, number, nullptr)));
  return error;
}

}  // namespace ulka
