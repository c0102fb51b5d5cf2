#include "tests/bridge/ProbeObject.h"

#include <memory>

#include "automation/Unicode.h"

namespace ulka::test {

const InterfaceInfo& TBridgeProbe::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TBridgeProbe>("IBridgeProbe", "{6B1C2F1E-0C55-4C1B-9E55-2B9D1E0A7C01}")
          .Method(0, "Echo", &TBridgeProbe::Echo, {Arg("Value")})
          .Method(1, "TypeName", &TBridgeProbe::TypeName, {Arg("Value")})
          .Method(2, "GetLength", &TBridgeProbe::GetLength, {Arg("Value")})
          .Method(3, "Make", &TBridgeProbe::Make, {Arg("Kind")})
          .Method(4, "Fail", &TBridgeProbe::Fail, {Arg("Message"), Arg("Code")})
          .Property(5, "Items", &TBridgeProbe::GetItems, &TBridgeProbe::SetItems, {Arg("Index")})
          .Property(6, "Name", &TBridgeProbe::GetName, &TBridgeProbe::SetName)
          .Method(7, "Child", &TBridgeProbe::Child)
          .Method(8, "CallBack", &TBridgeProbe::CallBack, {Arg("Fn"), Arg("Arg")})
          .Method(9, "Optional", &TBridgeProbe::Optional, {Arg("A"), Opt("B", int32_t{7})})
          .Build();
  return info;
}

WideString TBridgeProbe::TypeName(const Variant& Value) {
  static const std::pair<VarType, const char*> names[] = {
      {VT_EMPTY, "VT_EMPTY"}, {VT_NULL, "VT_NULL"}, {VT_I2, "VT_I2"},   {VT_I4, "VT_I4"},
      {VT_R4, "VT_R4"},       {VT_R8, "VT_R8"},     {VT_CY, "VT_CY"},   {VT_DATE, "VT_DATE"},
      {VT_BSTR, "VT_BSTR"},   {VT_DISPATCH, "VT_DISPATCH"},           {VT_ERROR, "VT_ERROR"},
      {VT_BOOL, "VT_BOOL"},   {VT_VARIANT, "VT_VARIANT"},             {VT_I1, "VT_I1"},
      {VT_UI1, "VT_UI1"},     {VT_UI2, "VT_UI2"},   {VT_UI4, "VT_UI4"}, {VT_I8, "VT_I8"},
      {VT_UI8, "VT_UI8"}};
  const VarType t = Value.Type();
  std::string text = (t & VT_ARRAY) ? "VT_ARRAY|" : "";
  for (auto& [code, name] : names) {
    if (code == (t & VT_TYPEMASK)) text += name;
  }
  return Wide(text);
}

int32_t TBridgeProbe::GetLength(const Variant& Value) {
  if (Value.IsText()) return static_cast<int32_t>(Value.Text().size());
  if (Value.IsArray() && Value.Array()) return static_cast<int32_t>(Value.Array()->ElementCount());
  return 0;
}

Variant TBridgeProbe::Make(const WideString& Kind) {
  const std::string kind = Utf8(Kind);
  if (kind == "string") return Variant(WideString(u"h\u00e9llo \U0001F600"));
  if (kind == "int") return Variant(int32_t{42});
  if (kind == "double") return Variant(2.5);
  if (kind == "true") return Variant(true);
  if (kind == "null") return Variant::Null();
  if (kind == "empty") return Variant();
  if (kind == "date") return Variant(Date{45000.75});  // 13 March 2023, 18:00 local time
  if (kind == "bytes") return Variant::FromBytes({1, 2, 255});
  if (kind == "nobytes") return Variant::FromBytes({});
  if (kind == "i8") return Variant(int64_t{1} << 40);
  if (kind == "ui2") return Variant(uint16_t{65535});
  if (kind == "cy") return Variant(Currency{12345});
  if (kind == "object") return Variant(static_cast<IDispatch*>(Child().get()));
  if (kind == "array") {
    auto array = std::make_shared<SafeArray>();
    array->elementType = VT_VARIANT;
    array->bounds = {{3, 0}};
    array->items = {Variant(int32_t{1}), Variant(WideString(u"a")), Variant::FromBytes({7})};
    return Variant::FromArray(array);
  }
  if (kind == "ints") {
    auto array = std::make_shared<SafeArray>();
    array->elementType = VT_I4;
    array->bounds = {{2, 0}};
    int32_t values[] = {-5, 9};
    array->data.resize(sizeof values);
    std::memcpy(array->data.data(), values, sizeof values);
    return Variant::FromArray(array);
  }
  ulka::Fail("Unknown kind");
}

void TBridgeProbe::Fail(const WideString& Message, int32_t Code) { FailCode(Code, Utf8(Message)); }

Variant TBridgeProbe::GetItems(int32_t Index) {
  if (Index < 0 || static_cast<size_t>(Index) >= items_.size()) FailIndex(Index);
  return items_[Index];
}

void TBridgeProbe::SetItems(int32_t Index, const Variant& Value) {
  if (Index < 0 || static_cast<size_t>(Index) >= items_.size()) FailIndex(Index);
  items_[Index] = Value;
}

Ref<IDispatch> TBridgeProbe::Child() { return Ref<IDispatch>(MakeRef<TBridgeProbe>().get()); }

Variant TBridgeProbe::CallBack(IDispatch* Fn, const Variant& Arg) {
  if (!Fn) ulka::Fail("No function");
  Variant args[] = {Arg};
  DispParams params{args, {}};
  Variant result;
  ExcepInfo excep;
  HRESULT hr = Fn->Invoke(DISPID_VALUE, DISPATCH_METHOD, params, &result, &excep);
  if (hr == DISP_E_EXCEPTION) FailCode(excep.scode, Utf8(excep.description));
  if (Failed(hr)) FailCode(hr, "Callback failed");
  return result;
}

}  // namespace ulka::test
