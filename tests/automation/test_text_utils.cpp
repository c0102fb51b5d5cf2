#include <gtest/gtest.h>

#include <limits>

#include "automation/TextUtils.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

TEST(SplitText, DropsEmptyPieces) {
  struct Case {
    const char16_t* text;
    std::vector<WideString> pieces;
  } cases[] = {
      {u"a/b/c", {u"a", u"b", u"c"}},
      {u"/a//b/", {u"a", u"b"}},
      {u"abc", {u"abc"}},
      {u"", {}},
      {u"///", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, u'/'), c.pieces) << Utf8(c.text);
}

TEST(ReplaceChar, ReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceChar(u"a/b/c", u'/', u'\\'), u"a\\b\\c");
  EXPECT_EQ(ReplaceChar(u"abc", u'/', u'\\'), u"abc");
}

TEST(ZeroPad, PadsToAtLeastTheWidth) {
  struct Case {
    int64_t number;
    int width;
    const char16_t* text;
  } cases[] = {
      {5, 2, u"05"},   {2011, 4, u"2011"}, {12345, 4, u"12345"}, {0, 3, u"000"},
      {7, 0, u"7"},    {-5, 3, u"-005"},   {3, -1, u"3"},
      {std::numeric_limits<int64_t>::min(), 1, u"-9223372036854775808"},
  };
  for (const auto& c : cases) EXPECT_EQ(ZeroPad(c.number, c.width), c.text) << c.number;
}

}  // namespace
}  // namespace ulka
