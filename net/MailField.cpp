#include "net/MailField.h"

namespace ulka {

const InterfaceInfo& TMailField::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TMailField>("Field", "{10828D3A-4AE1-45E9-8A79-BE1412034675}", "Mail header field")
          .Getter(0, "Value", &TMailField::GetValue)
          .Getter(201, "Name", &TMailField::GetName)
          .Build();
  return info;
}

TMailField::TMailField(WideString name, Variant value)
    : TVekObject(Info()), FName(std::move(name)), FValue(std::move(value)) {}

}  // namespace ulka
