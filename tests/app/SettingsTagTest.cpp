#include <gtest/gtest.h>

#include "app/SettingsTag.h"
#include "app/WindowSettings.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

std::optional<TAttributeList> Parse(std::string_view page) {
  return ParseApplicationTag(std::span(reinterpret_cast<const uint8_t*>(page.data()), page.size()));
}

TEST(SettingsTag, AttributesInAnyCase) {
  auto tag = Parse("<html><ULKA:Application Border=\"Dialog\" NAME=\"App\"\n\tscroll = \"NO\" />");
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->Lower(u"border"), u"dialog");
  EXPECT_EQ(tag->Value(u"name"), u"App");
  EXPECT_EQ(tag->Lower(u"SCROLL"), u"no");
}

TEST(SettingsTag, NoTag) {
  EXPECT_FALSE(Parse("<html><body>nothing</body></html>"));
  EXPECT_FALSE(Parse("<ulka:application name=\"x\" >"));             // no "/>"
  EXPECT_FALSE(Parse(std::string_view("ab\0<ulka:application />", 23)));  // behind a zero byte
}

TEST(SettingsTag, WalkStopsAtWhatItDoesNotRecognise) {
  auto tag = Parse("<ulka:application name=\"A\" width='400' height=\"300\" />");
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->Value(u"name"), u"A");
  EXPECT_FALSE(tag->Has(u"width"));
  EXPECT_FALSE(tag->Has(u"height"));
  tag = Parse("<ulka:application name=\"A\" flag version=\"2\"/>");
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->Count(), 1u);
}

TEST(SettingsTag, FirstTagAndFirstEndWin) {
  auto tag = Parse("<ulka:application name=\"one\" /><ulka:application name=\"two\" />");
  EXPECT_EQ(tag->Value(u"name"), u"one");
  tag = Parse("<ulka:application header=\"a/>b\" name=\"x\" />");
  ASSERT_TRUE(tag);
  EXPECT_FALSE(tag->Has(u"header"));  // the value ran into the end of the tag
}

TEST(SettingsTag, LaterValueReplacesAndEmptyRemoves) {
  auto tag = Parse("<ulka:application name=\"a\" NAME=\"b\" width=\"5\" width=\"\" />");
  EXPECT_EQ(tag->Value(u"name"), u"b");
  EXPECT_FALSE(tag->Has(u"width"));
}

TEST(SettingsTag, ValuesAreUtf8) {
  auto tag = Parse("<ulka:application version=\"\xC3\xA9t\xC3\xA9\" />");
  EXPECT_EQ(tag->Value(u"version"), u"\u00E9t\u00E9");
}

TEST(SettingsTag, Integers) {
  struct Case {
    const char16_t* text;
    std::optional<int32_t> value;
  } cases[] = {
      {u"400", 400},       {u"  -12", -12},    {u"+7", 7},         {u"$1F", 31},
      {u"0x10", 16},       {u"X10", 16},       {u"$FFFFFFFF", -1}, {u"2147483647", 2147483647},
      {u"2147483648", {}}, {u"4 00", {}},      {u"400 ", {}},      {u"", {}},
      {u"abc", {}},        {u"0x", {}},        {u"-", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseTagInteger(c.text), c.value) << Utf8(c.text);
}

TEST(SettingsPath, CompanyAndName) {
  EXPECT_EQ(SettingsPath(u"/home/u/Documents/", u"", u"App"), u"/home/u/Documents/App/.settings");
  EXPECT_EQ(SettingsPath(u"/home/u/Documents/", u"Co", u"App"), u"/home/u/Documents/Co/App/.settings");
  EXPECT_EQ(SettingsPath(u"/home/u/Documents/", u"Co", u""), u"");
}

}  // namespace
}  // namespace ulka
