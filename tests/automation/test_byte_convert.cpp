#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "automation/ByteConvert.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

// A bare object reference whose reference count the tests can watch.
class FakeObject : public IDispatch {
 public:
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  HRESULT GetIDsOfNames(std::span<const WideString>, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, uint16_t, DispParams&, Variant*, ExcepInfo*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  uint32_t refs = 1;
};

Variant Int32Array(std::initializer_list<int32_t> values) {
  auto array = std::make_shared<SafeArray>();
  array->elementType = VT_I4;
  array->bounds = {ArrayBound{static_cast<uint32_t>(values.size()), 0}};
  array->data.resize(values.size() * 4);
  std::memcpy(array->data.data(), values.begin(), array->data.size());
  return Variant::FromArray(array);
}

TEST(VarToBytes, NonArraysGiveNoBytes) {
  FakeObject object;
  const Variant values[] = {Variant(), Variant::Null(), Variant::Missing(), Variant(u"text"),
                            Variant(int32_t{42}), Variant(3.5), Variant(&object)};
  for (const Variant& value : values) EXPECT_TRUE(VarToBytes(value).empty()) << value.Type();
}

TEST(VarToBytes, ByteArrayGivesItsBytesExactly) {
  Bytes bytes = {0, 1, 0xFF, 0x80, 0};
  EXPECT_EQ(VarToBytes(Variant::FromBytes(bytes)), bytes);
  Variant array = Variant::FromBytes(bytes);
  EXPECT_EQ(VarToBytes(Variant::ByRef(&array)), bytes);
}

TEST(VarToBytes, OtherArraysGiveOneByteForEachElement) {
  // Three 32-bit elements: the first three bytes of their data.
  EXPECT_EQ(VarToBytes(Int32Array({0x04030201, 0x08070605, 0})), (Bytes{1, 2, 3}));
}

TEST(BytesToVar, EmptyBufferIsEmptyNotAnEmptyArray) {
  EXPECT_TRUE(BytesToVar(Bytes{}).IsEmpty());
  EXPECT_TRUE(BytesToVar(std::span<const uint8_t>()).IsEmpty());
}

TEST(BytesToVar, BufferBecomesZeroBasedByteArray) {
  Bytes bytes = {7, 8, 9};
  Variant value = BytesToVar(bytes);
  ASSERT_TRUE(value.IsByteArray());
  ASSERT_EQ(value.Array()->bounds.size(), 1u);
  EXPECT_EQ(value.Array()->bounds[0].lower, 0);
  EXPECT_EQ(value.Array()->bounds[0].count, 3u);
  EXPECT_EQ(VarToBytes(value), bytes);
  bytes[0] = 0;  // a copy, not a view
  EXPECT_EQ(VarToBytes(value)[0], 7);
}

TEST(BufToVar, CountZeroGivesArrayWithoutElements) {
  Variant value = BufToVar(nullptr, 0);
  ASSERT_TRUE(value.IsByteArray());
  EXPECT_EQ(value.Array()->FirstDimensionCount(), 0u);
  const uint8_t data[] = {1, 2};
  EXPECT_EQ(VarToBytes(BufToVar(data, 2)), (Bytes{1, 2}));
}

TEST(VarToKey, TextIsHexOrLenientBase64) {
  struct Case {
    const char16_t* text;
    Bytes key;
  } cases[] = {
      {u"0x0aFF", {0x0A, 0xFF}},
      {u"0X0aff", {0x0A, 0xFF}},
      {u"0x0a-F", {0x0A, 0x00}},  // hex stops at the first bad pair
      {u"AAEC", {0x00, 0x01, 0x02}},
      {u"AA-EC", {0x00, 0x01, 0x02}},
      {u"AAEC====", {0x00, 0x01, 0x02}},
      {u"", {}},
      {u"0x", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToKey(Variant(c.text)), c.key) << Utf8(c.text);
}

TEST(VarToKey, OtherValuesGoThroughVarToBytes) {
  EXPECT_EQ(VarToKey(Variant::FromBytes({1, 2, 3})), (Bytes{1, 2, 3}));
  EXPECT_TRUE(VarToKey(Variant(int32_t{5})).empty());
}

TEST(VarToDispatch, AddsAReferenceAndRefusesNonObjects) {
  FakeObject object;
  Variant value(&object);
  EXPECT_TRUE(VarIsObject(value));
  EXPECT_EQ(object.refs, 2u);
  {
    Ref<IDispatch> held = VarToDispatch(value);
    EXPECT_EQ(held.get(), &object);
    EXPECT_EQ(object.refs, 3u);
  }
  EXPECT_EQ(object.refs, 2u);
  EXPECT_FALSE(VarIsObject(Variant(u"x")));
  EXPECT_FALSE(VarToDispatch(Variant(u"x")));
}

TEST(ByteBuffers, WriteAtGrowsWithZeros) {
  Bytes buffer = {1};
  const uint8_t data[] = {9, 9};
  WriteBytesAt(buffer, 3, data, 2);
  EXPECT_EQ(buffer, (Bytes{1, 0, 0, 9, 9}));
  WriteBytesAt(buffer, 0, data, 1);
  EXPECT_EQ(buffer, (Bytes{9, 0, 0, 9, 9}));
  AppendBytes(buffer, data, 2);
  EXPECT_EQ(buffer.size(), 7u);
  AppendBytes(buffer, nullptr, 0);
  EXPECT_EQ(buffer.size(), 7u);
}

TEST(ByteBuffers, CopyBytesNeverReadsPastTheSource) {
  Bytes source = {1, 2, 3, 4};
  EXPECT_EQ(CopyBytes(source, 1, 2), (Bytes{2, 3}));
  EXPECT_EQ(CopyBytes(source, 2, 10), (Bytes{3, 4}));
  EXPECT_TRUE(CopyBytes(source, 4, 1).empty());
  EXPECT_TRUE(CopyBytes(source, 100, 1).empty());
}

TEST(ByteBuffers, AnsiCopiesAreByteForByte) {
  std::string narrow("a\0\xFF\x80", 4);
  EXPECT_EQ(AnsiToBytes(narrow), (Bytes{'a', 0, 0xFF, 0x80}));
  EXPECT_EQ(BytesToAnsi(AnsiToBytes(narrow)), narrow);
}

}  // namespace
}  // namespace ulka
