// JavaScript objects that stand for host objects.
//
// Every wrapper is an instance of a class whose parent is one of the two generic host classes: the
// callable one for objects with a default member (so `typeof` answers "function") and the plain
// one for the rest ("object"). A host object with an interface table gets a class of its own
// whose static functions and values carry the members under their declared names, so the common
// spelling is found without a callback; the generic classes' callbacks serve every other
// spelling, expando members and objects without a table. The wrapper's prototype throws for names
// nobody knows, as a missing member. One host object has one wrapper per context while that
// wrapper lives.
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "automation/ArgBuffer.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekObject.h"
#include "automation/VekObjectEx.h"
#include "script/JsBinding.h"
#include "script/JsHandles.h"

namespace ulka {

namespace {

struct HostRef {
  IDispatch* object;             // one reference owned
  const InterfaceInfo* info;     // null for objects without a table
  TVekObject* direct;            // our own object: members are called without the dispatch hop
};

struct MemberRef {
  HostRef host;
  const MemberInfo* member;  // null: call the dispatch id with the method flag
  DISPID id;
};

HostRef* HostOf(JSObjectRef object) { return static_cast<HostRef*>(JSObjectGetPrivate(object)); }

HostRef NewHostRef(IDispatch* object) {
  object->AddRef();
  const InterfaceInfo* info = nullptr;
  if (object->GetTypeInfoCount() > 0 && Failed(object->GetTypeInfo(0, info))) info = nullptr;
  return {object, info, dynamic_cast<TVekObject*>(object)};
}

// --- calls ---------------------------------------------------------------------------------

// Positional arguments without trailing undefined ones, which take their defaults.
size_t TrimmedCount(JSContextRef ctx, size_t argc, const JSValueRef argv[]) {
  while (argc > 0 && JSValueIsUndefined(ctx, argv[argc - 1])) --argc;
  return argc;
}

HRESULT InvokeHost(const HostRef& host, const MemberInfo* member, DISPID id, uint16_t flags,
                   DispParams& params, Variant* result, ExcepInfo* excep) {
  if (host.direct && member && host.info) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) flags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
    return host.info->InvokeMember(*host.direct, *member, flags, params, result, excep);
  }
  if (IDispatchEx* ex = host.object->DispatchEx()) return ex->InvokeEx(id, flags, params, result, excep, nullptr);
  return host.object->Invoke(id, flags, params, result, excep);
}

// Calls a member with script arguments: a property with parameters is put when one argument
// more than its parameters is given.
JSValueRef CallWithArguments(JSContextRef ctx, const HostRef& host, const MemberInfo* member, DISPID id,
                             size_t argc, const JSValueRef argv[], JSValueRef* exception,
                             IDispatch* self = nullptr) {
  // Trailing undefined arguments count as omitted: they take their defaults.
  const size_t given = TrimmedCount(ctx, argc, argv);
  std::vector<ByteLoan> loans;  // declared first: they end after every Variant of the call
  ArgBuffer<8> args(argc);
  for (size_t i = 0; i < argc; ++i) {
    args[i] = i < given ? FromJsArgument(ctx, argv[i]) : Variant::Missing();
    if (args[i].IsLent()) loans.emplace_back(args[i]);
  }

  uint16_t flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  DispParams params{std::span<Variant>(args.data(), argc), {}};
  NamedArg putValue{DISPID_PROPERTYPUT, {}};
  NamedArg thisValue{DISPID_THIS, Variant(self)};
  if (self && !member) params.named = std::span<NamedArg>(&thisValue, 1);
  if (member && member->kind == MemberKind::Property && member->put && given == member->IndexCount() + 1) {
    flags = args[given - 1].IsObject() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    putValue.value = std::move(args[given - 1]);
    params.args = params.args.first(given - 1);
    params.named = std::span<NamedArg>(&putValue, 1);
  }
  Variant result;
  ExcepInfo excep;
  HRESULT hr = InvokeHost(host, member, id, flags, params, &result, &excep);
  if (Failed(hr)) {
    *exception = MakeDispatchError(ctx, hr, excep);
    return nullptr;
  }
  return ToJs(ctx, std::move(result));
}

JSValueRef GetValue(JSContextRef ctx, const HostRef& host, const MemberInfo* member, DISPID id,
                    JSValueRef* exception) {
  DispParams none;
  Variant result;
  ExcepInfo excep;
  HRESULT hr = InvokeHost(host, member, id, DISPATCH_PROPERTYGET, none, &result, &excep);
  if (Failed(hr)) {
    *exception = MakeDispatchError(ctx, hr, excep);
    return nullptr;
  }
  return ToJs(ctx, std::move(result));
}

bool PutValue(JSContextRef ctx, const HostRef& host, const MemberInfo* member, DISPID id,
              JSValueRef value, JSValueRef* exception) {
  Variant argument = FromJsArgument(ctx, value);
  ByteLoan loan(argument);  // ends after the call's Variants
  NamedArg putValue{DISPID_PROPERTYPUT, std::move(argument)};
  DispParams params{{}, std::span<NamedArg>(&putValue, 1)};
  uint16_t flags = putValue.value.IsObject() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  ExcepInfo excep;
  HRESULT hr = InvokeHost(host, member, id, flags, params, nullptr, &excep);
  if (Failed(hr)) {
    *exception = MakeDispatchError(ctx, hr, excep);
    return false;
  }
  return true;
}

JSValueRef ThrowMissing(JSContextRef ctx, JSValueRef* exception) {
  *exception = MakeJsError(ctx, Wide(msg::kUnknownMember), DISP_E_UNKNOWNNAME);
  return nullptr;
}

// --- member callables ----------------------------------------------------------------------

void FinalizeMember(JSObjectRef object) {
  auto* ref = static_cast<MemberRef*>(JSObjectGetPrivate(object));
  if (!ref) return;
  ref->host.object->Release();
  delete ref;
}

JSValueRef CallMemberRef(JSContextRef ctx, JSObjectRef function, JSObjectRef, size_t argc,
                         const JSValueRef argv[], JSValueRef* exception) {
  auto* ref = static_cast<MemberRef*>(JSObjectGetPrivate(function));
  if (!ref) return ThrowMissing(ctx, exception);
  return CallWithArguments(ctx, ref->host, ref->member, ref->id, argc, argv, exception);
}

JSClassRef MemberClass() {
  static JSClassRef cls = [] {
    JSClassDefinition def = kJSClassDefinitionEmpty;
    def.className = "HostMember";
    def.finalize = FinalizeMember;
    def.callAsFunction = CallMemberRef;
    return JSClassCreate(&def);
  }();
  return cls;
}

JSObjectRef MakeMemberCallable(JSContextRef ctx, const HostRef& host, const MemberInfo* member, DISPID id) {
  host.object->AddRef();
  auto* ref = new MemberRef{host, member, id};
  return JSObjectMake(ctx, MemberClass(), ref);
}

// --- the generic class -------------------------------------------------------------------------

void FinalizeHost(JSObjectRef object) {
  HostRef* host = HostOf(object);
  if (!host) return;
  host->object->Release();
  delete host;
}

JSValueRef GetHostProperty(JSContextRef ctx, JSObjectRef object, JSStringRef name, JSValueRef* exception) {
  HostRef* host = HostOf(object);
  if (!host) return nullptr;
  std::u16string_view view = ViewOf(name);
  if (host->info) {
    if (const MemberInfo* m = host->info->FindByName(view)) {
      if (m->kind == MemberKind::Property && m->IndexCount() == 0 && m->get) {
        return GetValue(ctx, *host, m, m->id, exception);
      }
      return MakeMemberCallable(ctx, *host, m, m->id);
    }
  }
  WideString wide(view);
  DISPID id;
  if (IDispatchEx* ex = host->object->DispatchEx()) {
    if (Failed(ex->GetDispID(wide, 0, id))) return nullptr;
    return GetValue(ctx, *host, nullptr, id, exception);
  }
  if (host->info) return nullptr;
  if (Failed(host->object->GetIDsOfNames(std::span<const WideString>(&wide, 1), &id))) return nullptr;
  DispParams none;
  Variant result;
  ExcepInfo excep;
  HRESULT hr = host->object->Invoke(id, DISPATCH_PROPERTYGET, none, &result, &excep);
  if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT) return MakeMemberCallable(ctx, *host, nullptr, id);
  if (Failed(hr)) {
    *exception = MakeDispatchError(ctx, hr, excep);
    return nullptr;
  }
  return ToJs(ctx, std::move(result));
}

bool SetHostProperty(JSContextRef ctx, JSObjectRef object, JSStringRef name, JSValueRef value,
                     JSValueRef* exception) {
  HostRef* host = HostOf(object);
  if (!host) return false;
  std::u16string_view view = ViewOf(name);
  if (host->info) {
    if (const MemberInfo* m = host->info->FindByName(view)) {
      if (!m->put) {
        ThrowMissing(ctx, exception);
        return true;
      }
      PutValue(ctx, *host, m, m->id, value, exception);
      return true;
    }
  }
  WideString wide(view);
  DISPID id;
  if (IDispatchEx* ex = host->object->DispatchEx()) {
    HRESULT hr = ex->GetDispID(wide, fdexNameEnsure, id);
    if (Failed(hr)) {
      *exception = MakeDispatchError(ctx, hr, {});
      return true;
    }
    PutValue(ctx, *host, nullptr, id, value, exception);
    return true;
  }
  if (host->info || Failed(host->object->GetIDsOfNames(std::span<const WideString>(&wide, 1), &id))) {
    ThrowMissing(ctx, exception);
    return true;
  }
  PutValue(ctx, *host, nullptr, id, value, exception);
  return true;
}

// A function of another engine or of a page, called as `obj.f(...)`, runs with the object it was
// read from as `this` when that object is one the host knows.
JSValueRef CallHost(JSContextRef ctx, JSObjectRef function, JSObjectRef thisObject, size_t argc,
                    const JSValueRef argv[], JSValueRef* exception) {
  HostRef* host = HostOf(function);
  if (!host) return ThrowMissing(ctx, exception);
  const MemberInfo* member = host->info ? host->info->FindById(DISPID_VALUE) : nullptr;
  if (host->info && !member && !host->object->DispatchEx()) return ThrowMissing(ctx, exception);
  IDispatch* self = nullptr;
  if (!host->info && thisObject && thisObject != function) self = UnwrapHostObject(ctx, thisObject);
  return CallWithArguments(ctx, *host, member, DISPID_VALUE, argc, argv, exception, self);
}

JSValueRef ConvertHost(JSContextRef ctx, JSObjectRef object, JSType type, JSValueRef* exception) {
  HostRef* host = HostOf(object);
  if (!host || type == kJSTypeObject) return nullptr;
  const MemberInfo* member = host->info ? host->info->FindById(DISPID_VALUE) : nullptr;
  if (host->info && (!member || member->IndexCount() > 0 || !member->get)) return nullptr;
  JSValueRef ignored = nullptr;
  JSValueRef value = GetValue(ctx, *host, member, DISPID_VALUE, &ignored);
  return ignored ? nullptr : value;
}

JSClassRef GenericClass() {
  static JSClassRef cls = [] {
    JSClassDefinition def = kJSClassDefinitionEmpty;
    def.className = "HostObject";
    def.attributes = kJSClassAttributeNoAutomaticPrototype;
    def.finalize = FinalizeHost;
    def.getProperty = GetHostProperty;
    def.setProperty = SetHostProperty;
    def.convertToType = ConvertHost;
    return JSClassCreate(&def);
  }();
  return cls;
}

JSClassRef CallableClass() {
  static JSClassRef cls = [] {
    JSClassDefinition def = kJSClassDefinitionEmpty;
    def.className = "HostFunction";
    def.parentClass = GenericClass();
    def.attributes = kJSClassAttributeNoAutomaticPrototype;
    def.callAsFunction = CallHost;
    return JSClassCreate(&def);
  }();
  return cls;
}

// --- plain expando objects -------------------------------------------------------------------

// The external object (in a page, its proxy, which carries the interface's name) reads as a
// JavaScript object does: a member nobody added is undefined, and `in`, `Object.keys` and for-in
// see the members that were added.
bool IsPlainExpando(const InterfaceInfo* info, IDispatch* object) {
  return info && info->Name() == TExternalObject::kInterfaceName && object->DispatchEx();
}

void ListExpandoNames(JSContextRef, JSObjectRef object, JSPropertyNameAccumulatorRef names) {
  HostRef* host = HostOf(object);
  IDispatchEx* ex = host ? host->object->DispatchEx() : nullptr;
  std::vector<WideString> list;
  if (!ex || Failed(ex->GetMemberNames(list))) return;
  for (const WideString& name : list) JSPropertyNameAccumulatorAddName(names, JsString(name));
}

JSClassRef PlainExpandoClass() {
  static JSClassRef cls = [] {
    JSClassDefinition def = kJSClassDefinitionEmpty;
    def.className = "HostExpando";
    def.parentClass = GenericClass();
    def.attributes = kJSClassAttributeNoAutomaticPrototype;
    def.getPropertyNames = ListExpandoNames;
    return JSClassCreate(&def);
  }();
  return cls;
}

JSValueRef ObjectPrototype(JSContextRef ctx) { return JSObjectGetPrototype(ctx, JSObjectMake(ctx, nullptr, nullptr)); }

// --- classes with static members, one per interface ----------------------------------------

constexpr size_t kMaxStaticMembers = 160;

template <size_t N>
JSValueRef StaticMethod(JSContextRef ctx, JSObjectRef, JSObjectRef self, size_t argc,
                        const JSValueRef argv[], JSValueRef* exception) {
  HostRef* host = self && JSValueIsObjectOfClass(ctx, self, GenericClass()) ? HostOf(self) : nullptr;
  if (!host || !host->info || N >= host->info->Members().size()) return ThrowMissing(ctx, exception);
  const MemberInfo& m = host->info->Members()[N];
  return CallWithArguments(ctx, *host, &m, m.id, argc, argv, exception);
}

template <size_t... N>
constexpr std::array<JSObjectCallAsFunctionCallback, sizeof...(N)> MakeStaticMethods(std::index_sequence<N...>) {
  return {&StaticMethod<N>...};
}

constexpr auto kStaticMethods = MakeStaticMethods(std::make_index_sequence<kMaxStaticMembers>{});

JSValueRef StaticGet(JSContextRef ctx, JSObjectRef object, JSStringRef name, JSValueRef* exception) {
  HostRef* host = HostOf(object);
  const MemberInfo* m = host && host->info ? host->info->FindByName(ViewOf(name)) : nullptr;
  if (!m) return nullptr;
  return GetValue(ctx, *host, m, m->id, exception);
}

bool StaticSet(JSContextRef ctx, JSObjectRef object, JSStringRef name, JSValueRef value, JSValueRef* exception) {
  HostRef* host = HostOf(object);
  const MemberInfo* m = host && host->info ? host->info->FindByName(ViewOf(name)) : nullptr;
  if (!m || !m->put) {
    ThrowMissing(ctx, exception);
    return true;
  }
  PutValue(ctx, *host, m, m->id, value, exception);
  return true;
}

struct InterfaceClass {
  JSClassRef cls = nullptr;
  std::vector<std::string> names;  // kept alive for the class definition
};

JSClassRef ClassFor(const InterfaceInfo* info, bool callable) {
  if (!info) return callable ? CallableClass() : GenericClass();
  static std::mutex lock;
  static std::map<std::pair<const InterfaceInfo*, bool>, InterfaceClass> classes;
  std::lock_guard guard(lock);
  InterfaceClass& entry = classes[{info, callable}];
  if (entry.cls) return entry.cls;

  auto members = info->Members();
  entry.names.reserve(members.size());
  std::vector<JSStaticFunction> functions;
  std::vector<JSStaticValue> values;
  const JSPropertyAttributes attributes = kJSPropertyAttributeDontEnum | kJSPropertyAttributeDontDelete;
  for (size_t i = 0; i < members.size() && i < kMaxStaticMembers; ++i) {
    const MemberInfo& m = members[i];
    const char* name = entry.names.emplace_back(Utf8(m.name)).c_str();
    if (m.IsPlainProperty()) {
      values.push_back({name, StaticGet, StaticSet, attributes});
    } else {
      functions.push_back({name, kStaticMethods[i], attributes | kJSPropertyAttributeReadOnly});
    }
  }
  functions.push_back({nullptr, nullptr, 0});
  values.push_back({nullptr, nullptr, nullptr, 0});

  JSClassDefinition def = kJSClassDefinitionEmpty;
  std::string className = Utf8(info->Name());
  def.className = className.c_str();
  def.parentClass = callable ? CallableClass() : GenericClass();
  def.attributes = kJSClassAttributeNoAutomaticPrototype;  // keep the static members on the wrapper itself
  def.staticFunctions = functions.data();
  def.staticValues = values.data();
  entry.cls = JSClassCreate(&def);  // the definition's tables are copied
  return entry.cls;
}

// --- the prototype that reports missing members ------------------------------------------------

bool IsWellKnownName(std::u16string_view name) {
  static const std::u16string_view known[] = {u"then", u"toJSON", u"constructor", u"inspect",
                                              u"length", u"prototype", u"nodeType"};
  for (auto k : known) {
    if (k == name) return true;
  }
  return false;
}

JSValueRef GetMissing(JSContextRef ctx, JSObjectRef object, JSStringRef name, JSValueRef* exception) {
  JSObjectRef objectPrototype = JSValueToObject(ctx, JSObjectGetPrototype(ctx, object), nullptr);
  if (IsWellKnownName(ViewOf(name)) || (objectPrototype && JSObjectHasProperty(ctx, objectPrototype, name))) {
    return nullptr;
  }
  return ThrowMissing(ctx, exception);
}

JSClassRef MissingClass() {
  static JSClassRef cls = [] {
    JSClassDefinition def = kJSClassDefinitionEmpty;
    def.className = "HostPrototype";
    def.getProperty = GetMissing;
    return JSClassCreate(&def);
  }();
  return cls;
}

}  // namespace

JSObjectRef MakeMissingPrototype(JSContextRef ctx) { return JSObjectMake(ctx, MissingClass(), nullptr); }

static bool IsCollection(const InterfaceInfo* info) { return info && info->FindById(DISPID_NEWENUM); }

JSObjectRef WrapHostObject(JSContextRef ctx, IDispatch* object) {
  if (JSObjectRef known = KnownWrapper(ctx, object)) return known;
  auto* host = new HostRef(NewHostRef(object));
  if (IsPlainExpando(host->info, object) && !object->IsCallable()) {
    JSObjectRef wrapper = JSObjectMake(ctx, PlainExpandoClass(), host);
    JSObjectSetPrototype(ctx, wrapper, ObjectPrototype(ctx));
    RememberWrapper(ctx, object, wrapper);
    return wrapper;
  }
  JSObjectRef wrapper = JSObjectMake(ctx, ClassFor(host->info, object->IsCallable()), host);
  JSObjectSetPrototype(ctx, wrapper, IsCollection(host->info) ? IterablePrototypeFor(ctx) : PrototypeFor(ctx));
  RememberWrapper(ctx, object, wrapper);
  return wrapper;
}

IDispatch* UnwrapHostObject(JSContextRef ctx, JSValueRef value) {
  if (!JSValueIsObjectOfClass(ctx, value, GenericClass())) return nullptr;
  HostRef* host = HostOf(JSValueToObject(ctx, value, nullptr));
  return host ? host->object : nullptr;
}

}  // namespace ulka
