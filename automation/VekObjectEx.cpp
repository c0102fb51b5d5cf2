#include "automation/VekObjectEx.h"

#include <unordered_set>

#include "automation/Unicode.h"

namespace ulka {

HRESULT TVekObjectEx::GetDispID(const WideString& name, uint32_t flags, DISPID& id) {
  // Type-library names always win over expando members of the same name.
  DISPID typed;
  if (Succeeded(Interface().GetIDsOfNames(std::span<const WideString>(&name, 1), &typed))) {
    id = typed;
    return S_OK;
  }
  int position = GetMemberId(name);
  if (position < 0 && (flags & fdexNameEnsure)) position = AddMember(name, Variant());
  if (position < 0) {
    id = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  id = DISPID_EXPANDO_BASE + position;
  return S_OK;
}

namespace {

// Forwards a call to the default member of the object a member holds.
HRESULT ForwardToValue(const Variant& value, uint16_t flags, DispParams& params, Variant* result,
                       ExcepInfo* excep) {
  if (!value.IsObject() || !value.Dispatch()) return DISP_E_BADCALLEE;
  Ref<IDispatch> target(value.Dispatch());
  return target->Invoke(DISPID_VALUE, flags, params, result, excep);
}

// The call without its `this` argument, for type-library members.
DispParams WithoutThis(const DispParams& params) {
  DispParams p = params;
  if (!p.named.empty() && p.named[0].id == DISPID_THIS) p.named = p.named.subspan(1);
  return p;
}

}  // namespace

HRESULT TVekObjectEx::InvokeEx(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                               ExcepInfo* excep, IDispatch* caller) {
  Ref<IDispatch> keepCaller(caller);
  Ref<IDispatch> keepSelf(this);
  if (id < DISPID_EXPANDO_BASE) {
    DispParams typed = WithoutThis(params);
    return Invoke(id, flags, typed, result, excep);
  }
  const int position = id - DISPID_EXPANDO_BASE;
  try {
    if (flags & DISPATCH_METHOD) {
      Variant value = GetMember(position);
      return ForwardToValue(value, flags, params, result, excep);
    }
    if (flags & DISPATCH_PROPERTYGET) {
      if (!result) return E_POINTER;
      *result = GetMember(position);
      return S_OK;
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      const Variant* value = params.Named(DISPID_PROPERTYPUT);
      if (!value) return DISP_E_BADPARAMCOUNT;
      if (params.args.empty()) {
        SetMember(position, *value);
        return S_OK;
      }
      Variant holder = GetMember(position);
      if (!holder.IsObject()) return DISP_E_BADPARAMCOUNT;
      return ForwardToValue(holder, flags, params, result, excep);
    }
  } catch (const EVekError&) {
    return DISP_E_MEMBERNOTFOUND;  // an id that no longer names an entry
  }
  return DISP_E_MEMBERNOTFOUND;
}

// A name added again (the list keeps duplicates, a lookup finds the last) is listed once.
HRESULT TVekObjectEx::GetMemberNames(std::vector<WideString>& names) {
  names.clear();
  std::unordered_set<WideString> seen;
  for (int i = 0; i < members_.Count(); ++i) {
    const WideString& name = members_.GetMemberName(i);
    if (seen.insert(UpperCase(name)).second) names.push_back(name);
  }
  return S_OK;
}

const InterfaceInfo& TExternalObject::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TExternalObject>("IExternal", "{6A0D3C1E-2F4B-4E8A-9C77-5B1D0E3F8A21}").Build();
  return info;
}

const InterfaceInfo& TRtlObject::Info() {
  static const InterfaceInfo info = InterfaceBuilder<TRtlObject>("IObject", "{CCBB0B5E-63FE-43DD-B8CE-75BAE6769CDE}").Build();
  return info;
}

}  // namespace ulka
