// The text form of dictionaries: what the reader accepts, what the writer writes, and that
// everything written reads back as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "data/Bytes.h"
#include "data/Dictionary.h"
#include "data/JsonWriter.h"

namespace ulka {
namespace {

struct ReadCase {
  const char* text;
  bool ok;
  const char* written;  // JSON() after the read
};

class JsonRead : public testing::TestWithParam<ReadCase> {};

TEST_P(JsonRead, AnswersAndKeeps) {
  const ReadCase& c = GetParam();
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"old", Variant(1));
  EXPECT_EQ(d->LoadJSON(Wide(c.text)), c.ok);
  EXPECT_EQ(Utf8(d->JSON()), c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonRead,
    testing::Values(
        ReadCase{"{a:1,b:{c:\"x\"},d:true}", true, "{a:1,b:{c:\"x\"},d:true}"},
        ReadCase{"{\"a\":1}", true, "{\"a\":1}"},  // quotes stay part of the key
        ReadCase{" {a:1}", false, "{}"},
        ReadCase{"", false, "{}"},
        ReadCase{"{}", true, "{}"},
        ReadCase{"{ }", false, "{}"},
        ReadCase{"{a:1 }", true, "{a:1}"},
        ReadCase{"{a:1", true, "{a:1}"},
        ReadCase{"{a:1}tail", true, "{a:1}"},
        ReadCase{"{ \t a \t :\r\n 2 ,\n b:false}", true, "{a:2,b:false}"},
        ReadCase{"{a:true\t}", false, "{}"},  // tab is no blank
        ReadCase{"{a:1.2.3}", false, "{}"},
        ReadCase{"{a:12,b:x}", false, "{a:12}"},
        ReadCase{"{a:12,b", false, "{a:12}"},
        ReadCase{"{a:null}", false, "{}"},
        ReadCase{"{a:[1]}", false, "{}"},
        ReadCase{"{a:.5}", false, "{}"},
        ReadCase{"{a:-x}", false, "{}"},
        ReadCase{"{a:\"open}", false, "{}"},
        ReadCase{"{a:\"ends in backslash\\\"}", false, "{}"},
        ReadCase{"{a:{b:1,c:{d:2}}}", true, "{a:{b:1,c:{d:2}}}"},
        ReadCase{"{a:{b:1", true, "{a:{b:1}}"},
        ReadCase{"{a:{b:x}}", false, "{}"},
        // Forms the writer produces, read back: negative and large numbers, exponents,
        // NAN and INF, and no value at all (Empty).
        ReadCase{"{a:-1}", true, "{a:-1}"},
        ReadCase{"{a:99999999999}", true, "{a:99999999999}"},
        ReadCase{"{a:-9223372036854775808}", true, "{a:-9223372036854775808}"},
        ReadCase{"{a:18446744073709551615}", true, "{a:18446744073709551615}"},
        ReadCase{"{a:1E20,b:1.5E-7,c:-2.5}", true, "{a:1E20,b:1.5E-7,c:-2.5}"},
        ReadCase{"{a:NAN,b:INF,c:-INF}", true, "{a:NAN,b:INF,c:-INF}"},
        ReadCase{"{a:,b:1}", true, "{a:,b:1}"},
        ReadCase{"{a:}", true, "{a:}"},
        ReadCase{"{a:007,b:1.}", true, "{a:7,b:1}"}));

TEST(JsonRead, ValueTypes) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  ASSERT_TRUE(d->LoadJSON(u"{i:2147483647,n:-2147483648,l:2147483648,u:18446744073709551615,"
                          u"big:123456789012345678901234,r:2.5,e:1E3,t:true,s:\"x\",o:{},z:}"));
  const std::pair<const char16_t*, VarType> expected[] = {
      {u"i", VT_I4}, {u"n", VT_I4}, {u"l", VT_I8}, {u"u", VT_UI8}, {u"big", VT_R8}, {u"r", VT_R8},
      {u"e", VT_R8}, {u"t", VT_BOOL}, {u"s", VT_BSTR}, {u"o", VT_DISPATCH}, {u"z", VT_EMPTY}};
  for (auto [key, type] : expected) EXPECT_EQ(d->GetValues(key).Type(), type) << Utf8(key);
  EXPECT_EQ(d->GetValues(u"l").Int(), 2147483648LL);
  EXPECT_DOUBLE_EQ(d->GetValues(u"big").Double(), 1.23456789012345678901234e23);
  EXPECT_NE(VarToObject<TDictionary>(d->GetValues(u"o")), nullptr);
}

TEST(JsonRead, KeysAreTrimmedAndKeepQuotes) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  ASSERT_TRUE(d->LoadJSON(u"{\"a\":1, \t b c \t:2}"));
  EXPECT_EQ(d->GetKeys(0), u"\"a\"");
  EXPECT_EQ(d->GetKeys(1), u"b c");
}

struct StringCase {
  const char16_t* value;
  const char16_t* written;  // the value's text form between "{a:" and "}"
};

class JsonString : public testing::TestWithParam<StringCase> {};

TEST_P(JsonString, IsEscapedAndReadsBack) {
  const StringCase& c = GetParam();
  const WideString value(c.value);
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"a", Variant(value));
  const WideString text = d->JSON();
  EXPECT_EQ(text, u"{a:" + WideString(c.written) + u"}");
  Ref<TDictionary> back = MakeRef<TDictionary>();
  ASSERT_TRUE(back->LoadJSON(text));
  EXPECT_EQ(back->GetValues(u"a").Text(), value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonString,
    testing::Values(
        StringCase{u"x\"y", u"\"x\\\"y\""},  // seven characters
        StringCase{u"C:\\temp\\new", u"\"C:\\temp\\new\""},
        StringCase{u"\\\\server\\share", u"\"\\\\server\\share\""},
        StringCase{u"C:\\dir\\", u"'C:\\dir\\'"},  // the double-quoted form cannot end in a backslash
        StringCase{u"it's C:\\", u"'it''s C:\\'"},
        StringCase{u"\\", u"'\\'"},
        StringCase{u"two\\\\", u"\"two\\\\\""},
        StringCase{u"\\\"", u"'\\\"'"},
        StringCase{u"say \"hi\" to C:\\x", u"\"say \\\"hi\\\" to C:\\x\""},
        StringCase{u"\\n is not a line break", u"\"\\n is not a line break\""},
        StringCase{u"two\r\nlines\tand tab", u"\"two\r\nlines\tand tab\""},
        StringCase{u"\x01\x1f\b\f", u"\"\x01\x1f\b\f\""},
        StringCase{u"", u"\"\""},
        StringCase{u"\u00e9t\u00e9 \U0001F600 \u20ac", u"\"\u00e9t\u00e9 \U0001F600 \u20ac\""},
        StringCase{u"lone \xD800 surrogate", u"\"lone \xD800 surrogate\""},
        StringCase{u"{a:1},}:", u"\"{a:1},}:\""}));

TEST(JsonString, NulCharactersRoundTrip) {
  const WideString value(u"a\0b", 3);
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"k", Variant(value));
  EXPECT_EQ(d->JSON(), u"{k:\"" + value + u"\"}");
  Ref<TDictionary> back = MakeRef<TDictionary>();
  ASSERT_TRUE(back->LoadJSON(d->JSON()));
  EXPECT_EQ(back->GetValues(u"k").Text(), value);
}

// Text of this form written elsewhere: only a backslash before a double quote is undone.
TEST(JsonString, BackslashesStayAsWrittenButBeforeAQuote) {
  struct Case {
    const char16_t* text;
    const char16_t* value;
  } cases[] = {
      {u"{p:\"C:\\temp\\new\"}", u"C:\\temp\\new"},
      {u"{p:\"\\\\server\\share\\\\\"}", u"\\\\server\\share\\\\"},
      {u"{p:\"\\q\\/\\u12\\u00E9\\\"\"}", u"\\q\\/\\u12\\u00E9\""},
      {u"{p:\"tab\\tand\\nline\"}", u"tab\\tand\\nline"},
      {u"{p:'single ''quoted'' C:\\'}", u"single 'quoted' C:\\"},
  };
  for (const Case& c : cases) {
    Ref<TDictionary> d = MakeRef<TDictionary>();
    ASSERT_TRUE(d->LoadJSON(c.text)) << Utf8(c.text);
    EXPECT_EQ(d->GetValues(u"p").Text(), WideString(c.value)) << Utf8(c.text);
  }
  Ref<TDictionary> unfinished = MakeRef<TDictionary>();
  EXPECT_FALSE(unfinished->LoadJSON(u"{p:'open}"));
}

struct FloatCase {
  double value;
  const char* text;
};

class JsonFloat : public testing::TestWithParam<FloatCase> {};

TEST_P(JsonFloat, GeneralFormWith15Digits) {
  WideString out;
  TJsonWriter::AppendFloat(out, GetParam().value);
  EXPECT_EQ(Utf8(out), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonFloat,
    testing::Values(FloatCase{2.5, "2.5"}, FloatCase{1.0, "1"}, FloatCase{100.0, "100"},
                    FloatCase{-0.5, "-0.5"}, FloatCase{0.0, "0"}, FloatCase{0.1 + 0.2, "0.3"},
                    FloatCase{1e20, "1E20"}, FloatCase{1.5e-7, "1.5E-7"},
                    FloatCase{0.00001, "0.00001"}, FloatCase{0.000001, "1E-6"},
                    FloatCase{123456789012345.0, "123456789012345"},
                    FloatCase{1234567890123456.0, "1.23456789012346E15"},
                    FloatCase{999999999999999.9, "1E15"}, FloatCase{-1e-300, "-1E-300"},
                    FloatCase{std::numeric_limits<double>::infinity(), "INF"}));

TEST(JsonWrite, ValuesByType) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  Ref<TDictionary> inner = MakeRef<TDictionary>();
  inner->Add(u"x", Variant(int16_t{-7}));
  d->Add(u"i1", Variant::I1(-3))
      ->Add(u"u1", Variant(uint8_t{200}))
      ->Add(u"u8", Variant(uint64_t{18446744073709551615ULL}))
      ->Add(u"cy", Variant(Currency{25000}))
      ->Add(u"r4", Variant(0.5f))
      ->Add(u"f", Variant(false))
      ->Add(u"n", Variant::Null())
      ->Add(u"dt", Variant(Date{40000}))
      ->Add(u"arr", Variant::FromBytes({1, 2}))
      ->Add(u"obj", Variant(static_cast<IDispatch*>(MakeRef<TBytes>().get())))
      ->Add(u"in", Variant(static_cast<IDispatch*>(inner.get())));
  EXPECT_EQ(Utf8(d->JSON()), "{i1:-3,u1:200,u8:18446744073709551615,cy:2.5,r4:0.5,f:false,n:,dt:,arr:,obj:,in:{x:-7}}");
}

TEST(JsonWrite, WrittenTextReadsBackToTheSameValues) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  const double doubles[] = {-1.25, 3e9, 1e-10, 6.02214076e23, std::numeric_limits<double>::quiet_NaN()};
  for (double v : doubles) d->Add(u"d", Variant(v));
  d->Add(u"i", Variant(int32_t{-2147483647 - 1}))->Add(u"l", Variant(int64_t{-5000000000LL}));
  Ref<TDictionary> back = MakeRef<TDictionary>();
  ASSERT_TRUE(back->LoadJSON(d->JSON()));
  ASSERT_EQ(back->GetLength(), d->GetLength());
  for (int i = 0; i < d->GetLength(); ++i) {
    Variant a = d->GetItems(i), b = back->GetItems(i);
    if (a.Type() == VT_R8 && std::isnan(a.Double())) {
      EXPECT_TRUE(std::isnan(b.Double()));
    } else if (a.Type() == VT_R8) {
      Variant asDouble;  // an integral double comes back as an integer of equal value
      ASSERT_EQ(ChangeType(b, VT_R8, asDouble), S_OK);
      EXPECT_DOUBLE_EQ(asDouble.Double(), a.Double()) << i;
    } else {
      EXPECT_EQ(b.Int(), a.Int()) << i;
    }
  }
  EXPECT_EQ(back->JSON(), d->JSON());
}

std::u16string Nested(size_t depth) {
  std::u16string text;
  text.reserve(depth * 4 + 1);
  for (size_t i = 0; i < depth; ++i) text += u"{a:";
  text += u"1";
  text.append(depth, u'}');
  return text;
}

TEST(JsonDepth, ReadsUpToTheBoundAndRefusesBeyond) {
  const size_t before = TVekObject::LiveCount();
  {
    Ref<TDictionary> d = MakeRef<TDictionary>();
    // The top level plus kMaxDictionaryDepth - 1 nested objects.
    EXPECT_TRUE(d->LoadJSON(Nested(kMaxDictionaryDepth)));
    EXPECT_EQ(d->JSON(), Nested(kMaxDictionaryDepth));
    EXPECT_FALSE(d->LoadJSON(Nested(kMaxDictionaryDepth + 1)));
    EXPECT_EQ(d->GetLength(), 0);
  }
  EXPECT_EQ(TVekObject::LiveCount(), before);
}

TEST(JsonDepth, AMillionNestedBracesEndInFalse) {
  const size_t before = TVekObject::LiveCount();
  {
    Ref<TDictionary> d = MakeRef<TDictionary>();
    EXPECT_FALSE(d->LoadJSON(Nested(1000000)));
    EXPECT_FALSE(d->LoadJSON(std::u16string(1000000, u'{')));
    EXPECT_FALSE(d->LoadJSON(u"{a:" + std::u16string(1000000, u'{')));
    EXPECT_EQ(d->GetLength(), 0);
  }
  EXPECT_EQ(TVekObject::LiveCount(), before);
}

TEST(JsonDepth, ADictionaryThatHoldsItselfFailsToWrite) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"self", Variant(static_cast<IDispatch*>(d.get())));
  try {
    d->JSON();
    FAIL() << "no error";
  } catch (const EVekError& e) {
    EXPECT_EQ(Utf8(e.Message()), "Dictionary nested too deeply or contains itself");
  }
  d->RemoveAll();  // breaks the cycle so the object is released
}

}  // namespace
}  // namespace ulka
