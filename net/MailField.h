// One header field of a mail message: its name and value. The value is the default member, so a
// field reads as its value where a script wants text.
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TMailField : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TMailField(WideString name, Variant value);

  WideString GetName() { return FName; }
  Variant GetValue() { return FValue; }

 private:
  WideString FName;
  Variant FValue;
};

}  // namespace ulka
