#include "automation/Dispatch.h"

#include "automation/TypeInfo.h"

namespace ulka {

bool IDispatch::IsCallable() {
  const InterfaceInfo* info = nullptr;
  if (GetTypeInfoCount() == 0 || Failed(GetTypeInfo(0, info)) || !info) return false;
  return info->FindById(DISPID_VALUE) != nullptr;
}

const Variant* DispParams::Named(DISPID id) const {
  for (const NamedArg& n : named) {
    if (n.id == id) return &n.value;
  }
  return nullptr;
}

HRESULT GetDispatchId(IDispatch* object, std::u16string_view name, DISPID& id) {
  if (!object) return E_POINTER;
  WideString names[1] = {WideString(name)};
  return object->GetIDsOfNames(names, &id);
}

HRESULT InvokeByName(IDispatch* object, std::u16string_view name, uint16_t flags,
                     std::span<Variant> args, Variant* result) {
  DISPID id;
  HRESULT hr = GetDispatchId(object, name, id);
  if (Failed(hr)) return hr;
  DispParams params{args, {}};
  NamedArg put{DISPID_PROPERTYPUT, {}};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (args.empty()) return DISP_E_BADPARAMCOUNT;
    put.value = args.back();
    params.args = args.first(args.size() - 1);
    params.named = std::span<NamedArg>(&put, 1);
  }
  return object->Invoke(id, flags, params, result, nullptr);
}

}  // namespace ulka
