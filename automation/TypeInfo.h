// The type library: one table per interface, built next to the class that implements it.
//
//   const InterfaceInfo& TZip::Info() {
//     static const InterfaceInfo info = InterfaceBuilder<TZip>("IZip", "{BEE2...}", "help")
//       .Method(0, "Extract", &TZip::Extract, {Arg("Name")})
//       .Property(205, "Names", &TZip::GetNames, &TZip::SetNames, {Arg("Index")})
//       .Getter(201, "Count", &TZip::GetCount)
//       .Method(203, "Add", &TZip::Add, {Arg("Name"), Arg("Data"), Opt("Date")})
//       .Build();
//     return info;
//   }
//
// Parameter types come from the C++ signature: `const WideString&` is text, `int32_t` an integer,
// `uint16_t` a word, `uint32_t` a dword, `bool` a boolean, `double` a real, `Date` a date,
// `const Variant&` a Variant, `IDispatch*` an object. Results: void, those types, or `Ref<T>` for
// an object. Arguments are coerced to these types before the member runs; an omitted optional
// argument gets its default, or the missing-argument marker for a Variant without default.
//
// A result's type says "object" or "Variant"; where the table knows more it says so: a `Ref<TZip>`
// result names its interface by itself, `.Returns("IZip")` names it for a `Ref<IDispatch>`, and
// `.ReturnsBytes()` marks a Variant that holds a byte array (Empty for no bytes). The declarations
// and the reference that the build generates read these marks.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/Dispatch.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {

enum class MemberKind : uint8_t { Method, Property };

class InterfaceInfo;
// A class's table function (`TZip::Info`): builds the table on its first call.
using InterfaceInfoFunction = const InterfaceInfo& (*)();

struct ParamInfo {
  WideString name;
  VarType type = VT_VARIANT;
  bool optional = false;
  std::optional<Variant> defaultValue;
};

// Calls the implementation with arguments already coerced to the declared types.
using MemberThunk = void (*)(IDispatch& self, Variant* args, Variant& result, const void* fn);

struct Accessor {
  MemberThunk thunk = nullptr;
  std::array<std::byte, 16> fn{};  // the member function pointer, stored as bytes
  VarType result = VT_EMPTY;
  std::vector<ParamInfo> params;  // a put accessor's last parameter is the new value
  // What an object result is, when the table knows: the class's table, or an interface's name.
  InterfaceInfoFunction resultTable = nullptr;
  const char* resultInterface = nullptr;
  bool resultBytes = false;  // a Variant result that holds a byte array, or Empty
  size_t RequiredCount() const;
  // The interface of the object this accessor answers; null when the table does not say.
  const InterfaceInfo* ResultInterface() const;
  explicit operator bool() const { return thunk != nullptr; }
};

struct MemberInfo {
  DISPID id = 0;
  WideString name;
  MemberKind kind = MemberKind::Method;
  Accessor method;  // a method
  Accessor get;     // a property's get accessor
  Accessor put;     // a property's put accessor
  bool onMainThread = false;  // calls from other threads are run by the main thread
  // Index parameters a property takes before its value (0 for a plain property).
  size_t IndexCount() const { return get ? get.params.size() : put ? put.params.size() - 1 : 0; }
  bool IsPlainProperty() const { return kind == MemberKind::Property && IndexCount() == 0; }
};

class InterfaceInfo {
 public:
  InterfaceInfo(WideString name, WideString iid, WideString help, std::vector<MemberInfo> members,
                bool mainThreadOnly = false, bool expando = false);
  InterfaceInfo(const InterfaceInfo&) = delete;
  InterfaceInfo(InterfaceInfo&&) = delete;  // registered by address

  const WideString& Name() const { return name_; }
  const WideString& Iid() const { return iid_; }
  const WideString& Help() const { return help_; }
  std::span<const MemberInfo> Members() const { return members_; }
  // Objects that belong to the main thread (windows, views, pages): every member call from
  // another thread is run by the main thread while the caller waits.
  bool MainThreadOnly() const { return mainThreadOnly_; }
  // Objects of the interface take members of their own by assignment (expando objects).
  bool Expando() const { return expando_; }

  const MemberInfo* FindByName(std::u16string_view name) const;  // any letter case
  const MemberInfo* FindById(DISPID id) const;
  // The member's id, or DISP_E_UNKNOWNNAME; further names are the member's parameter names.
  HRESULT GetIDsOfNames(std::span<const WideString> names, DISPID* ids) const;

  // Coerces the arguments to the declared types, fills omitted optional ones and calls the
  // member; a failure inside becomes DISP_E_EXCEPTION with the message in `excep` and the
  // thread's error information.
  HRESULT Invoke(IDispatch& self, DISPID id, uint16_t flags, DispParams& params, Variant* result,
                 ExcepInfo* excep) const;
  // The same for a member already looked up (the script binding's fast path).
  HRESULT InvokeMember(IDispatch& self, const MemberInfo& member, uint16_t flags, DispParams& params,
                       Variant* result, ExcepInfo* excep) const;

 private:
  WideString name_;
  WideString iid_;
  WideString help_;
  std::vector<MemberInfo> members_;
  bool mainThreadOnly_;
  bool expando_;
  std::unordered_map<WideString, size_t> byUpperName_;
  std::unordered_map<DISPID, size_t> byId_;
};

// Every interface of the type library, by name ("IZip").
class TypeLibrary {
 public:
  static void Register(const InterfaceInfo& info);
  static const InterfaceInfo* Find(std::u16string_view name);
  static WideString Version();  // "1.0"
  // Each table linked into the program announces its function at start-up (the builder does it),
  // so that a tool can build them all. Interfaces() builds every announced table and lists every
  // registered interface, sorted by name.
  static bool Announce(InterfaceInfoFunction table);
  static std::vector<const InterfaceInfo*> Interfaces();
};

// Parameter declarations for the builder.
struct ParamSpec {
  const char* name;
  bool optional = false;
  std::optional<Variant> defaultValue;
};
inline ParamSpec Arg(const char* name) { return {name, false, std::nullopt}; }
inline ParamSpec Opt(const char* name) { return {name, true, std::nullopt}; }
template <class T>
ParamSpec Opt(const char* name, T defaultValue) {
  return {name, true, Variant(defaultValue)};
}
inline ParamSpec Opt(const char* name, const char16_t* defaultValue) {
  return {name, true, Variant(WideString(defaultValue))};
}

namespace detail {

template <class T>
struct ArgType;
template <> struct ArgType<Variant> { static constexpr VarType vt = VT_VARIANT; static const Variant& Get(Variant& v) { return v; } };
template <> struct ArgType<WideString> { static constexpr VarType vt = VT_BSTR; static const WideString& Get(Variant& v) { return v.Text(); } };
template <> struct ArgType<int32_t> { static constexpr VarType vt = VT_I4; static int32_t Get(Variant& v) { return static_cast<int32_t>(v.Int()); } };
template <> struct ArgType<uint8_t> { static constexpr VarType vt = VT_UI1; static uint8_t Get(Variant& v) { return static_cast<uint8_t>(v.UInt()); } };
template <> struct ArgType<uint16_t> { static constexpr VarType vt = VT_UI2; static uint16_t Get(Variant& v) { return static_cast<uint16_t>(v.UInt()); } };
template <> struct ArgType<uint32_t> { static constexpr VarType vt = VT_UI4; static uint32_t Get(Variant& v) { return static_cast<uint32_t>(v.UInt()); } };
template <> struct ArgType<bool> { static constexpr VarType vt = VT_BOOL; static bool Get(Variant& v) { return v.Bool(); } };
template <> struct ArgType<double> { static constexpr VarType vt = VT_R8; static double Get(Variant& v) { return v.Double(); } };
template <> struct ArgType<Date> { static constexpr VarType vt = VT_DATE; static Date Get(Variant& v) { return Date{v.Double()}; } };
template <> struct ArgType<IDispatch*> { static constexpr VarType vt = VT_DISPATCH; static IDispatch* Get(Variant& v) { return v.Dispatch(); } };

template <class T>
using Bare = std::remove_cvref_t<T>;

template <class R>
struct ResultType {
  static constexpr VarType vt = ArgType<Bare<R>>::vt;
  static Variant Make(R&& r) { return Variant(std::forward<R>(r)); }
};
template <> struct ResultType<void> { static constexpr VarType vt = VT_EMPTY; };

// The table of the class behind a `Ref<TZip>` result; nothing for `Ref<IDispatch>` or a value.
template <class R>
struct ResultTableOf {
  static constexpr InterfaceInfoFunction Get() { return nullptr; }
};
template <class T>
struct ResultTableOf<Ref<T>> {
  static constexpr InterfaceInfoFunction Get() {
    if constexpr (requires { &T::Info; }) return &T::Info;
    else return nullptr;
  }
};
template <> struct ResultType<Date> { static constexpr VarType vt = VT_DATE; static Variant Make(Date d) { return Variant(d); } };
template <class T>
struct ResultType<Ref<T>> {
  static constexpr VarType vt = VT_DISPATCH;
  static Variant Make(Ref<T>&& r) { return Variant(static_cast<IDispatch*>(r.get())); }
};

template <class C, class R, class... A, size_t... I>
void CallMember(C& self, R (C::*fn)(A...), Variant* args, Variant& result, std::index_sequence<I...>) {
  if constexpr (std::is_void_v<R>) {
    (self.*fn)(ArgType<Bare<A>>::Get(args[I])...);
  } else {
    result = ResultType<R>::Make((self.*fn)(ArgType<Bare<A>>::Get(args[I])...));
  }
}

template <class C, class R, class... A>
void Thunk(IDispatch& self, Variant* args, Variant& result, const void* fnBytes) {
  R (C::*fn)(A...);
  std::memcpy(&fn, fnBytes, sizeof fn);
  CallMember(static_cast<C&>(self), fn, args, result, std::index_sequence_for<A...>{});
}

std::vector<ParamInfo> MakeParams(std::span<const ParamSpec> specs, std::span<const VarType> types,
                                  const char* member);

}  // namespace detail

template <class C>
class InterfaceBuilder {
 public:
  InterfaceBuilder(const char* name, const char* iid, const char* help = "")
      : name_(name), iid_(iid), help_(help) {
    if constexpr (requires { &C::Info; }) (void)kAnnounced;
  }

  template <class R, class... A>
  InterfaceBuilder& Method(DISPID id, const char* name, R (C::*fn)(A...), std::initializer_list<ParamSpec> params = {}) {
    MemberInfo& m = Add(id, name, MemberKind::Method);
    m.method = MakeAccessor(fn, std::span<const ParamSpec>(params.begin(), params.size()), name);
    return *this;
  }
  template <class R, class... A>
  InterfaceBuilder& Getter(DISPID id, const char* name, R (C::*get)(A...), std::initializer_list<ParamSpec> params = {}) {
    MemberInfo& m = Add(id, name, MemberKind::Property);
    m.get = MakeAccessor(get, std::span<const ParamSpec>(params.begin(), params.size()), name);
    return *this;
  }
  template <class R, class... A, class... B>
  InterfaceBuilder& Property(DISPID id, const char* name, R (C::*get)(A...), void (C::*put)(B...),
                             std::initializer_list<ParamSpec> indexParams = {}) {
    MemberInfo& m = Add(id, name, MemberKind::Property);
    m.get = MakeAccessor(get, std::span<const ParamSpec>(indexParams.begin(), indexParams.size()), name);
    std::vector<ParamSpec> putParams(indexParams);
    putParams.push_back(Arg("Value"));
    m.put = MakeAccessor(put, std::span<const ParamSpec>(putParams), name);
    return *this;
  }
  template <class... B>
  InterfaceBuilder& Setter(DISPID id, const char* name, void (C::*put)(B...), std::initializer_list<ParamSpec> indexParams = {}) {
    MemberInfo& m = Add(id, name, MemberKind::Property);
    std::vector<ParamSpec> putParams(indexParams);
    putParams.push_back(Arg("Value"));
    m.put = MakeAccessor(put, std::span<const ParamSpec>(putParams), name);
    return *this;
  }

  // The member added last answers an object of the interface named (for a `Ref<IDispatch>` result).
  InterfaceBuilder& Returns(const char* interfaceName) {
    LastResult().resultInterface = interfaceName;
    return *this;
  }
  // The member added last answers a byte array, or Empty for no bytes, in its Variant result.
  InterfaceBuilder& ReturnsBytes() {
    LastResult().resultBytes = true;
    return *this;
  }

  // The whole interface belongs to the main thread.
  InterfaceBuilder& MainThreadOnly() {
    mainThreadOnly_ = true;
    return *this;
  }
  // The member added last runs on the main thread (it touches windows or the desktop).
  InterfaceBuilder& OnMainThread() {
    members_.back().onMainThread = true;
    return *this;
  }

  InterfaceInfo Build() {
    return InterfaceInfo(Wide(name_), Wide(iid_), Wide(help_), std::move(members_), mainThreadOnly_,
                         std::is_base_of_v<IDispatchEx, C>);
  }

 private:
  Accessor& LastResult() {
    MemberInfo& m = members_.back();
    return m.kind == MemberKind::Method ? m.method : m.get;
  }

  MemberInfo& Add(DISPID id, const char* name, MemberKind kind) {
    MemberInfo& m = members_.emplace_back();
    m.id = id;
    m.name = Wide(name);
    m.kind = kind;
    return m;
  }

  template <class R, class... A>
  static Accessor MakeAccessor(R (C::*fn)(A...), std::span<const ParamSpec> specs, const char* member) {
    static_assert(sizeof fn <= 16, "member function pointer too large");
    static constexpr VarType types[] = {detail::ArgType<detail::Bare<A>>::vt..., VT_EMPTY};
    Accessor a;
    a.thunk = &detail::Thunk<C, R, A...>;
    std::memcpy(a.fn.data(), &fn, sizeof fn);
    a.result = detail::ResultType<R>::vt;
    a.resultTable = detail::ResultTableOf<detail::Bare<R>>::Get();
    a.params = detail::MakeParams(specs, std::span<const VarType>(types, sizeof...(A)), member);
    return a;
  }

  // Set before main() in every program that links the table's translation unit.
  static inline const bool kAnnounced = [] {
    if constexpr (requires { &C::Info; }) return TypeLibrary::Announce(&C::Info);
    return false;
  }();

  const char* name_;
  const char* iid_;
  const char* help_;
  bool mainThreadOnly_ = false;
  std::vector<MemberInfo> members_;
};

}  // namespace ulka
