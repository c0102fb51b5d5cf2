#include "desktop/WshEnvironment.h"

#include "desktop/Collections.h"
#include "desktop/DesktopErrors.h"
#include "desktop/Environment.h"

namespace ulka {

const InterfaceInfo& TWshEnvironment::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TWshEnvironment>("IWshEnvironment", "{D4AAF8F6-7E65-4A55-9B8C-C360381B1C76}")
          .Property(0, "Item", &TWshEnvironment::GetItem, &TWshEnvironment::SetItem, {Arg("Name")})
          .Getter(1, "Count", &TWshEnvironment::GetCount)
          .Getter(2, "Length", &TWshEnvironment::GetCount)
          .Method(3, "Remove", &TWshEnvironment::Remove, {Arg("Name")})
          .Method(kNewEnumId, "_NewEnum", &TWshEnvironment::NewEnum)
          .Build();
  return info;
}

void TWshEnvironment::CheckWritable() const {
  if (!FWritable) FailDesktop(DesktopError::PermissionDenied);
}

WideString TWshEnvironment::GetItem(const WideString& Name) { return GetVariable(Name).value_or(WideString()); }

void TWshEnvironment::SetItem(const WideString& Name, const WideString& Value) {
  CheckWritable();
  SetVariable(Name, Value);
}

int32_t TWshEnvironment::GetCount() { return static_cast<int32_t>(AllVariables().size()); }

void TWshEnvironment::Remove(const WideString& Name) {
  CheckWritable();
  RemoveVariable(Name);
}

Variant TWshEnvironment::NewEnum() {
  std::vector<Variant> items;
  for (auto& [name, value] : AllVariables()) items.emplace_back(name + u"=" + value);
  return VariantArray(std::move(items));
}

}  // namespace ulka
