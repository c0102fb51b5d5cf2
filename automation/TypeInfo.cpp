#include "automation/TypeInfo.h"

#include <map>
#include <mutex>

#include "automation/ThreadQueue.h"

#include "automation/ArgBuffer.h"
#include "automation/ErrorInfo.h"
#include "automation/Messages.h"

namespace ulka {

size_t Accessor::RequiredCount() const {
  size_t n = 0;
  for (const ParamInfo& p : params) {
    if (!p.optional) n = &p - params.data() + 1;
  }
  return n;
}

InterfaceInfo::InterfaceInfo(WideString name, WideString iid, WideString help,
                             std::vector<MemberInfo> members, bool mainThreadOnly, bool expando)
    : name_(std::move(name)),
      iid_(std::move(iid)),
      help_(std::move(help)),
      members_(std::move(members)),
      mainThreadOnly_(mainThreadOnly),
      expando_(expando) {
  for (size_t i = 0; i < members_.size(); ++i) {
    byUpperName_.emplace(UpperCase(members_[i].name), i);
    byId_.emplace(members_[i].id, i);
  }
  TypeLibrary::Register(*this);
}

const MemberInfo* InterfaceInfo::FindByName(std::u16string_view name) const {
  auto it = byUpperName_.find(UpperCase(name));
  return it == byUpperName_.end() ? nullptr : &members_[it->second];
}

const MemberInfo* InterfaceInfo::FindById(DISPID id) const {
  auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : &members_[it->second];
}

HRESULT InterfaceInfo::GetIDsOfNames(std::span<const WideString> names, DISPID* ids) const {
  if (names.empty()) return E_INVALIDARG;
  const MemberInfo* m = FindByName(names[0]);
  ids[0] = m ? m->id : DISPID_UNKNOWN;
  if (!m) {
    for (size_t i = 1; i < names.size(); ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT hr = S_OK;
  const Accessor& a = m->method ? m->method : m->get ? m->get : m->put;
  for (size_t i = 1; i < names.size(); ++i) {
    ids[i] = DISPID_UNKNOWN;
    for (size_t k = 0; k < a.params.size(); ++k) {
      if (SameText(a.params[k].name, names[i])) ids[i] = static_cast<DISPID>(k);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT InterfaceInfo::Invoke(IDispatch& self, DISPID id, uint16_t flags, DispParams& params,
                              Variant* result, ExcepInfo* excep) const {
  const MemberInfo* m = FindById(id);
  if (!m) return DISP_E_MEMBERNOTFOUND;
  return InvokeMember(self, *m, flags, params, result, excep);
}

namespace {

// The value an omitted parameter without default gets.
Variant ZeroOf(VarType type) {
  switch (type) {
    case VT_VARIANT: return Variant::Missing();
    case VT_BSTR: return Variant(WideString());
    case VT_BOOL: return Variant(false);
    case VT_DISPATCH: return Variant(static_cast<IDispatch*>(nullptr));
    case VT_R8: return Variant(0.0);
    case VT_DATE: return Variant(Date{0});
    case VT_UI2: return Variant(static_cast<uint16_t>(0));
    case VT_UI4: return Variant(static_cast<uint32_t>(0));
    default: return Variant(int32_t{0});
  }
}

HRESULT CoerceArgument(const Variant& arg, const ParamInfo& param, Variant& out) {
  if (param.type == VT_VARIANT) {
    out = Variant::Share(arg.Deref());  // the coerced arguments end with the call
    return S_OK;
  }
  return ChangeType(arg, param.type, out);
}

HRESULT ReportFailure(const InterfaceInfo& info, const WideString& message, HRESULT code,
                      uint32_t helpContext, ExcepInfo* excep) {
  HRESULT status = code < 0 ? code : E_UNEXPECTED;
  ErrorInfo error;
  error.interfaceName = info.Name();
  error.description = message;
  error.helpContext = helpContext;
  SetErrorInfo(error);
  if (excep) {
    excep->description = message;
    excep->source.clear();
    excep->scode = status;
    excep->helpContext = helpContext;
  }
  return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT InterfaceInfo::InvokeMember(IDispatch& self, const MemberInfo& m, uint16_t flags,
                                    DispParams& params, Variant* result, ExcepInfo* excep) const {
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  const Accessor* accessor;
  if (put) {
    accessor = &m.put;
  } else if (m.kind == MemberKind::Method) {
    accessor = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) ? &m.method : nullptr;
  } else {
    accessor = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) ? &m.get : nullptr;
  }
  if (!accessor || !*accessor) return DISP_E_MEMBERNOTFOUND;

  const Variant* putValue = nullptr;
  for (const NamedArg& n : params.named) {
    if (n.id == DISPID_PROPERTYPUT && put) putValue = &n.value;
    else if (n.id != DISPID_THIS) return DISP_E_NONAMEDARGS;
  }
  if (put && !putValue) return DISP_E_BADPARAMCOUNT;

  const std::vector<ParamInfo>& decl = accessor->params;
  const size_t given = params.args.size() + (put ? 1 : 0);
  if (given > decl.size()) return DISP_E_BADPARAMCOUNT;
  if (put && given != decl.size()) return DISP_E_BADPARAMCOUNT;

  ArgBuffer<8> coerced(decl.size());
  for (size_t i = 0; i < decl.size(); ++i) {
    const ParamInfo& p = decl[i];
    const Variant* arg = i < params.args.size() ? &params.args[i]
                         : (put && i == decl.size() - 1) ? putValue
                                                         : nullptr;
    if (arg && arg->IsMissing()) {
      // An explicitly omitted argument: optional ones take their default, others are empty.
      if (!p.optional) {
        HRESULT hr = CoerceArgument(Variant(), p, coerced[i]);
        if (Failed(hr)) return hr;
        continue;
      }
      arg = nullptr;
    }
    if (!arg) {
      if (!p.optional) return DISP_E_BADPARAMCOUNT;
      if (p.defaultValue) {
        if (Failed(CoerceArgument(*p.defaultValue, p, coerced[i]))) coerced[i] = ZeroOf(p.type);
      } else {
        coerced[i] = ZeroOf(p.type);
      }
      continue;
    }
    HRESULT hr = CoerceArgument(*arg, p, coerced[i]);
    if (Failed(hr)) return hr;
  }

  Variant value;
  try {
    auto call = [&] { accessor->thunk(self, coerced.data(), value, accessor->fn.data()); };
    const std::thread::id home = m.onMainThread ? MainThreadId() : self.OwnerThread();
    if (home != std::thread::id() && home != std::this_thread::get_id()) {
      if (!RunOnThread(home, call)) Fail(home == MainThreadId() ? msg::kMainThreadGone : msg::kOwnerThreadGone);
    } else {
      call();
    }
  } catch (const EVekError& e) {
    return ReportFailure(*this, e.Message(), e.Code(), e.HelpContext(), excep);
  } catch (const std::bad_alloc&) {
    return ReportFailure(*this, u"Out of memory", E_OUTOFMEMORY, 0, excep);
  } catch (const std::exception& e) {
    return ReportFailure(*this, Wide(e.what()), E_UNEXPECTED, 0, excep);
  }
  if (result) *result = std::move(value);
  return S_OK;
}

namespace detail {

std::vector<ParamInfo> MakeParams(std::span<const ParamSpec> specs, std::span<const VarType> types,
                                  const char* member) {
  if (specs.size() != types.size()) {
    std::fprintf(stderr, "member table of %s: %zu parameter names for %zu parameters\n", member,
                 specs.size(), types.size());
    std::abort();
  }
  std::vector<ParamInfo> params;
  for (size_t i = 0; i < specs.size(); ++i) {
    ParamInfo p;
    p.name = Wide(specs[i].name);
    p.type = types[i];
    p.optional = specs[i].optional;
    p.defaultValue = specs[i].defaultValue;
    params.push_back(std::move(p));
  }
  return params;
}

}  // namespace detail

namespace {

struct Registry {
  std::mutex lock;
  std::map<WideString, const InterfaceInfo*> byName;
  std::vector<InterfaceInfoFunction> announced;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void TypeLibrary::Register(const InterfaceInfo& info) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.byName[UpperCase(info.Name())] = &info;
}

const InterfaceInfo* TypeLibrary::Find(std::u16string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.byName.find(UpperCase(name));
  return it == r.byName.end() ? nullptr : it->second;
}

WideString TypeLibrary::Version() { return u"1.0"; }

bool TypeLibrary::Announce(InterfaceInfoFunction table) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.announced.push_back(table);
  return true;
}

std::vector<const InterfaceInfo*> TypeLibrary::Interfaces() {
  Registry& r = TheRegistry();
  std::vector<InterfaceInfoFunction> tables;
  {
    std::lock_guard guard(r.lock);
    tables = r.announced;
  }
  for (InterfaceInfoFunction table : tables) table();  // builds and registers it
  std::lock_guard guard(r.lock);
  std::vector<const InterfaceInfo*> all;
  for (const auto& [upper, info] : r.byName) all.push_back(info);
  return all;
}

const InterfaceInfo* Accessor::ResultInterface() const {
  if (resultTable) return &resultTable();
  if (resultInterface) return TypeLibrary::Find(Wide(resultInterface));
  return nullptr;
}

}  // namespace ulka
