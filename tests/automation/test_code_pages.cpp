#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ExpectFailure.h"
#include "automation/CodePages.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

using test::FailsWith;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(CodePageTable, HasAllRowsInOrder) {
  auto table = CodePageTable();
  ASSERT_EQ(table.size(), 140u);
  EXPECT_EQ(table.front().codePage, 37u);
  EXPECT_STREQ(table.front().name, "ibm037");
  EXPECT_EQ(table.back().codePage, 65001u);
  EXPECT_STREQ(table.back().name, "utf-8");
}

TEST(CodePageByName, FirstRowWinsAndCaseIsIgnored) {
  struct Case {
    const char* name;
    uint32_t codePage;
  } cases[] = {
      {"iso-2022-jp", 50220}, {"euc-jp", 20932}, {"UTF-8", 65001},    {"Windows-1251", 1251},
      {"KOI8-R", 20866},      {"ibm037", 37},    {"utf-16", 1200},    {"shift_jis", 932},
      {"", 0},                {"utf8", 0},       {" utf-8", 0},       {"nonsense", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CodePageByName(std::string_view(c.name)), c.codePage) << c.name;
    EXPECT_EQ(CodePageByName(Wide(c.name)), c.codePage) << c.name;
  }
  EXPECT_EQ(CodePageByName(u"utf-8\u0130"), 0u);
}

TEST(FindBetween, MarkersIgnoreCaseAndEmptyMarkersMatchAtOnce) {
  EXPECT_EQ(FindBetween("a<HEAD>x</head>", "<head>", "</head>"), "x");
  EXPECT_EQ(FindBetween("abc", "", "c"), "ab");
  EXPECT_EQ(FindBetween("abc", "a", ""), "");
  EXPECT_EQ(FindBetween("abc", "", ""), "");
  EXPECT_FALSE(FindBetween("abc", "x", "c"));
  EXPECT_FALSE(FindBetween("abc", "a", "x"));
  EXPECT_FALSE(FindBetween("ab", "b", "b"));  // the finish is searched after the start
  EXPECT_FALSE(FindBetween("", "a", ""));
}

TEST(DetectCodePage, ReadsXmlDeclarationThenPageHead) {
  struct Case {
    const char* text;
    uint32_t codePage;
  } cases[] = {
      {R"(<?xml version="1.0" encoding="windows-1251"?><a/>)", 1251},
      {R"(<html><head><meta http-equiv="Content-Type" content="text/html; charset=koi8-r"></head>)", 20866},
      {R"(<html><head><meta charset="utf-8"></head>)", 0},
      {R"(<HTML><HEAD><META content="text/html; CHARSET=Shift_JIS"></HEAD>)", 932},
      {R"(<?xml version="1.0"?><html><head><meta content="text/html; charset=windows-1252"></head>)", 1252},
      {R"(<?xml version='1.0' encoding='windows-1251'?>)", 0},  // single quotes are not read
      {R"(<head lang="en"><meta content="text/html; charset=koi8-r"></head>)", 0},
      {R"(<head><meta content="text/html; charset=unknown-charset"></head>)", 0},
      {R"(<?xml encoding="windows-1251")", 0},  // declaration never closed
      {"", 0},
      {"\xEF\xBB\xBFplain text", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectCodePage(c.text), c.codePage) << c.text;
}

struct RoundTrip {
  uint32_t codePage;
  const char16_t* text;
};

class CodePageRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(CodePageRoundTrip, EncodeThenDecodeGivesTheText) {
  const RoundTrip& c = GetParam();
  Bytes bytes = EncodeText(c.text, c.codePage);
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(DecodeText(bytes, c.codePage), c.text);
  EXPECT_EQ(CodePageToStr(StrToCodePage(c.text, c.codePage), c.codePage), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, CodePageRoundTrip,
    ::testing::Values(RoundTrip{1251, u"Привет, мир"}, RoundTrip{866, u"Привет, мир"},
                      RoundTrip{20866, u"Привет"}, RoundTrip{932, u"日本語のテキスト ｶﾀｶﾅ"},
                      RoundTrip{50220, u"日本語のテキスト"}, RoundTrip{20932, u"日本語"},
                      RoundTrip{936, u"中文文本"}, RoundTrip{54936, u"中文 \U0001F600"},
                      RoundTrip{950, u"繁體中文"}, RoundTrip{1200, u"A\u00e9\U0001F600"},
                      RoundTrip{1201, u"A\u00e9\U0001F600"}, RoundTrip{12000, u"A\u00e9\U0001F600"},
                      RoundTrip{12001, u"A\u00e9\U0001F600"}, RoundTrip{65001, u"A\u00e9\U0001F600"},
                      RoundTrip{65000, u"A\u00e9 + b"}, RoundTrip{37, u"Hello, World?"},
                      RoundTrip{28605, u"5 \u20ac"}, RoundTrip{1252, u"caf\u00e9 \u20ac"},
                      RoundTrip{CP_ACP, u"caf\u00e9"}));

TEST(EncodeText, GivesTheCodePagesBytesWithoutBom) {
  EXPECT_EQ(EncodeText(u"Привет", 1251), B("\xCF\xF0\xE8\xE2\xE5\xF2"));
  EXPECT_EQ(EncodeText(u"Привет", 866), B("\x8F\xE0\xA8\xA2\xA5\xE2"));
  EXPECT_EQ(EncodeText(u"A", 1200), B(std::string_view("A\0", 2)));
  EXPECT_EQ(EncodeText(u"A", 1201), B(std::string_view("\0A", 2)));
  EXPECT_EQ(EncodeText(u"A", 12000), B(std::string_view("A\0\0\0", 4)));
  EXPECT_EQ(EncodeText(u"A", 12001), B(std::string_view("\0\0\0A", 4)));
  EXPECT_EQ(EncodeText(u"\u00e9", 65001), B("\xC3\xA9"));
  EXPECT_EQ(EncodeText(u"?", 37), B("\x6F"));
  EXPECT_TRUE(EncodeText(u"", 65001).empty());
  EXPECT_EQ(EncodeText(std::u16string_view(u"a\0b", 3), 65001), B(std::string_view("a\0b", 3)));
}

TEST(EncodeText, MissingCharactersBecomeTheDefaultCharacter) {
  EXPECT_EQ(EncodeText(u"A\u20acB", 866), B("A?B"));
  EXPECT_EQ(EncodeText(u"\u65e5x", 1251), B("?x"));
  EXPECT_EQ(EncodeText(u"\U0001F600", 1252), B("?"));  // one character, not one per surrogate
  EXPECT_EQ(EncodeText(u"a\xD800" u"b", 65001), B("a\xEF\xBF\xBD" "b"));  // lone surrogate
  EXPECT_EQ(EncodeText(u"a\xDC00", 65001), B("a\xEF\xBF\xBD"));
  EXPECT_EQ(EncodeText(u"a\xD800", 65001), B("a\xEF\xBF\xBD"));
  // A stateful code page returns to ASCII around the replacement.
  EXPECT_EQ(DecodeText(EncodeText(u"日\u0e01本", 50220), 50220), u"日?本");
}

TEST(DecodeText, DropsOneByteOrderMark) {
  EXPECT_EQ(DecodeText(B("\xEF\xBB\xBF" "A"), 65001), u"A");
  EXPECT_EQ(DecodeText(B("\xEF\xBB\xBF\xEF\xBB\xBF" "A"), 65001), u"\uFEFFA");
  EXPECT_EQ(DecodeText(B(std::string_view("\xFF\xFE" "A\0", 4)), 1200), u"A");
  EXPECT_EQ(DecodeText(B(std::string_view("\xFE\xFF\0A", 4)), 1201), u"A");
  EXPECT_EQ(DecodeText(Bytes{}, 65001), u"");
}

TEST(DecodeText, InvalidSequencesBecomeReplacementCharacters) {
  struct Case {
    uint32_t codePage;
    std::string_view bytes;
    const char16_t* text;
  } cases[] = {
      {65001, "A\xFF" "B", u"A\uFFFDB"},
      {65001, "A\xE2\x82", u"A\uFFFD"},  // cut off at the end
      {65001, "\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong
      {65001, "\xED\xA0\x80" "x", u"\uFFFD\uFFFD\uFFFDx"},  // encoded surrogate
      {1200, std::string_view("A\0\x00\xDC" "B\0", 6), u"A\uFFFDB"},  // lone low surrogate
      {1200, std::string_view("A\0B", 3), u"A\uFFFD"},  // odd length
      {12000, std::string_view("\xFF\xFF\xFF\xFF" "A\0\0\0", 8), u"\uFFFDA"},
      {932, "\x82", u"\uFFFD"},
      {20127, "a\x80" "b", u"a\uFFFDb"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeText(B(c.bytes), c.codePage), c.text) << c.codePage << " " << c.bytes.size();
}

TEST(CodePages, UnusableCodePagesFail) {
  for (uint32_t codePage : {57002u, 52936u, 720u, 12345u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(IsCodePageSupported(codePage)) << codePage;
    EXPECT_TRUE(FailsWith([&] { DecodeText(B("abc"), codePage); }, msg::kInvalidCodePage)) << codePage;
    EXPECT_TRUE(FailsWith([&] { EncodeText(u"abc", codePage); }, msg::kInvalidCodePage)) << codePage;
    EXPECT_EQ(StrToCodePage(u"abc", codePage), "");
    EXPECT_EQ(CodePageToStr("abc", codePage), u"");
  }
}

TEST(CodePages, EveryTableRowEitherConvertsOrFailsCleanly) {
  for (const auto& row : CodePageTable()) {
    if (!IsCodePageSupported(row.codePage)) continue;
    EXPECT_EQ(DecodeText(EncodeText(u"AB1", row.codePage), row.codePage), u"AB1") << row.codePage;
  }
}

TEST(CodePages, RandomBytesDecodeInEverySupportedCodePage) {
  std::mt19937 random(7);
  for (const auto& row : CodePageTable()) {
    if (!IsCodePageSupported(row.codePage)) continue;
    for (int round = 0; round < 20; ++round) {
      Bytes bytes(random() % 64);
      for (auto& b : bytes) b = static_cast<uint8_t>(random());
      WideString text = DecodeText(bytes, row.codePage);
      EXPECT_LE(text.size(), bytes.size() * 2 + 2) << row.codePage;
      EncodeText(text, row.codePage);  // whatever came out can go back without failing
    }
  }
}

TEST(StrToCodePage, StopsAtFirstNul) {
  EXPECT_EQ(StrToCodePage(std::u16string_view(u"ab\0cd", 5), 65001), "ab");
  EXPECT_EQ(StrToCodePage(u"Привет", 1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(StrToCodePage(u"A\u20ac", 866), "A?");
  EXPECT_EQ(StrToCodePage(u"", 65001), "");
}

TEST(CodePageToStr, StopsAtFirstNulUnit) {
  EXPECT_EQ(CodePageToStr(std::string_view("ab\0cd", 5), 65001), u"ab");
  EXPECT_EQ(CodePageToStr(std::string_view("A\0B\0\0\0C\0", 8), 1200), u"AB");
  EXPECT_EQ(CodePageToStr(std::string_view("\0A", 2), 65001), u"");
  EXPECT_EQ(CodePageToStr("\xEF\xBB\xBF" "A", 65001), u"\uFEFFA");  // the mark stays here
}

TEST(StripBom, RemovesOnlyOneLeadingMark) {
  EXPECT_EQ(StripBom(u"\uFEFFa\uFEFF"), u"a\uFEFF");
  EXPECT_EQ(StripBom(u"a"), u"a");
  EXPECT_EQ(StripBom(u""), u"");
}

TEST(SystemCodePage, IsTheLocaleCharsetUtf8Here) {
  EXPECT_EQ(SystemCodePage(), 65001u);
  EXPECT_EQ(EncodeText(u"\u00e9", CP_ACP), B("\xC3\xA9"));
}

}  // namespace
}  // namespace ulka
