// A scriptable object for the page bridge tests: it echoes values, names their types, makes
// values of every kind, fails on request, has an indexed property, a default member, optional
// parameters, a factory (for release checks) and calls page functions back.
#pragma once

#include <vector>

#include "automation/VekObject.h"

namespace ulka::test {

class TBridgeProbe : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TBridgeProbe() : TVekObject(Info()), items_(4) {}

  Variant Echo(const Variant& Value) { return Value; }
  WideString TypeName(const Variant& Value);
  int32_t GetLength(const Variant& Value);
  Variant Make(const WideString& Kind);
  void Fail(const WideString& Message, int32_t Code);
  Variant GetItems(int32_t Index);
  void SetItems(int32_t Index, const Variant& Value);
  WideString GetName() { return name_; }
  void SetName(const WideString& Value) { name_ = Value; }
  Ref<IDispatch> Child();
  Variant CallBack(IDispatch* Fn, const Variant& Arg);
  int32_t Optional(int32_t A, int32_t B) { return B; }

 private:
  std::vector<Variant> items_;
  WideString name_;
};

}  // namespace ulka::test
