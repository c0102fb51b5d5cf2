#include <gtest/gtest.h>

#include <memory>

#include "automation/Dispatch.h"
#include "automation/VarRules.h"

namespace ulka {
namespace {

class FakeObject : public IDispatch {
 public:
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }
  HRESULT GetIDsOfNames(std::span<const WideString>, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, uint16_t, DispParams&, Variant*, ExcepInfo*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

Variant TextArray(size_t count, uint32_t columns = 0) {
  auto array = std::make_shared<SafeArray>();
  array->elementType = VT_BSTR;
  array->bounds = {ArrayBound{static_cast<uint32_t>(count), 1}};
  if (columns) array->bounds.push_back(ArrayBound{columns, 0});
  array->items.resize(array->ElementCount());
  return Variant::FromArray(array);
}

TEST(VarByteLength, FollowsTheTypeSizes) {
  FakeObject object;
  Variant text(u"abc");
  struct Case {
    Variant value;
    int64_t length;
  } cases[] = {
      {Variant(int16_t{1}), 2},     {Variant(int32_t{1}), 4},    {Variant(1.5f), 4},
      {Variant(3.5), 8},            {Variant(Currency{1}), 8},   {Variant(Date{1}), 8},
      {Variant(true), 2},           {Variant::I1(1), 1},         {Variant(uint8_t{1}), 1},
      {Variant(uint16_t{1}), 2},    {Variant(uint32_t{1}), 4},   {Variant(int64_t{1}), 8},
      {Variant(uint64_t{1}), 8},    {Variant(u"abc"), 6},        {Variant(u""), 0},
      {Variant(std::u16string_view(u"ab\0cd", 5)), 4},
      {Variant(), 0},               {Variant::Null(), 0},        {Variant(&object), 0},
      {Variant::Error(E_FAIL), 0},  {Variant::Missing(), 0},
      {Variant::FromBytes({1, 2, 3}), 3},  {Variant::FromBytes({}), 0},
      {TextArray(5), 5},            {TextArray(4, 3), 4},        {Variant::ByRef(&text), 6},
  };
  for (const auto& c : cases) EXPECT_EQ(VarByteLength(c.value), c.length) << "type " << c.value.RawType();
}

TEST(VarIsEmptyValue, EmptyNullMissingZeroFalseAndNothing) {
  FakeObject object;
  Variant zero(int32_t{0});
  struct Case {
    Variant value;
    bool empty;
  } cases[] = {
      {Variant(), true},             {Variant::Null(), true},       {Variant::Missing(), true},
      {Variant(int32_t{0}), true},   {Variant(0.0), true},          {Variant(-0.0), true},
      {Variant(0.0f), true},         {Variant(Currency{0}), true},  {Variant(uint64_t{0}), true},
      {Variant::I1(0), true},        {Variant(false), true},        {Variant(u""), true},
      {Variant::FromBytes({}), true}, {TextArray(0), true},         {Variant::ByRef(&zero), true},
      {Variant(int32_t{-1}), false}, {Variant(0.5), false},         {Variant(Currency{1}), false},
      {Variant(true), false},        {Variant(u" "), false},        {Variant::FromBytes({0}), false},
      {Variant(&object), false},     {Variant(Date{0}), false},     {Variant::Error(E_FAIL), false},
      {Variant(static_cast<IDispatch*>(nullptr)), false},
  };
  for (const auto& c : cases) EXPECT_EQ(VarIsEmptyValue(c.value), c.empty) << "type " << c.value.RawType();
}

}  // namespace
}  // namespace ulka
