#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "automation/ByteConvert.h"
#include "data/Strings.h"
#include "tests/data/CallHelpers.h"

namespace ulka {
namespace {

using test::Call;
using test::Get;
using test::Put;
using test::Text;
using test::W;

std::vector<std::string> Utf8Lines(const std::vector<WideString>& lines) {
  std::vector<std::string> out;
  for (const WideString& l : lines) out.push_back(Utf8(l));
  return out;
}

Ref<TStrings> Make(std::initializer_list<const char*> lines) {
  Ref<TStrings> s = MakeRef<TStrings>();
  for (const char* l : lines) s->Add(Wide(l));
  return s;
}

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char pattern[] = "/tmp/ulka-strings-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  WideString File(const char* name) const { return Wide((path / name).string()); }
};

TEST(Strings, SplitsTextIntoLines) {
  struct Case {
    std::u16string text;
    std::vector<std::string> lines;
  } cases[] = {
      {u"", {}},
      {u"a\nb\r\n", {"a", "b"}},
      {u"a\r\nb", {"a", "b"}},
      {u"a\rb", {"a", "b"}},
      {u"a\r\rb", {"a", "", "b"}},
      {u"\r\n\r\n", {"", ""}},
      {u"\n\r", {"", ""}},
      {std::u16string(u"a\0b", 3), {"a"}},
      {u"x\n\ny", {"x", "", "y"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8Lines(SplitLines(c.text)), c.lines) << Utf8(c.text);
}

TEST(Strings, TextEndsEveryLineWithCrLf) {
  Ref<TStrings> s = MakeRef<TStrings>();
  EXPECT_EQ(s->GetText(), u"");
  s->SetText(u"a\nb\r\n");
  EXPECT_EQ(s->GetLength(), 2);
  EXPECT_EQ(s->GetText(), u"a\r\nb\r\n");
}

TEST(Strings, LoadDecodesBytesInTheCodePage) {
  Ref<TStrings> s = MakeRef<TStrings>();
  const Variant bytes = Variant::FromBytes({0xEF, 0xBB, 0xBF, 0x61});
  EXPECT_TRUE(s->Load(bytes, 65001));
  EXPECT_EQ(Utf8Lines(s->Lines()), std::vector<std::string>{"a"});
  EXPECT_TRUE(s->Load(bytes, 1252));
  ASSERT_EQ(s->GetLength(), 1);
  EXPECT_EQ(s->GetLines(0).size(), 4u);
}

TEST(Strings, LoadOfOtherValuesEmptiesTheList) {
  Ref<TStrings> s = Make({"keep"});
  EXPECT_TRUE(s->Load(Variant(int32_t{5}), 65001));
  EXPECT_EQ(s->GetLength(), 0);
}

TEST(Strings, LoadOfAMissingFileAnswersFalseAndKeepsTheLines) {
  TempDir dir;
  Ref<TStrings> s = Make({"keep"});
  EXPECT_FALSE(s->Load(Variant(dir.File("missing.txt")), 65001));
  EXPECT_EQ(Utf8Lines(s->Lines()), std::vector<std::string>{"keep"});
}

TEST(Strings, SaveWritesTheTextWithoutByteOrderMark) {
  TempDir dir;
  Ref<TStrings> s = Make({"a", "b"});
  s->Save(dir.File("sub/out.txt"), 65001);
  std::ifstream in(dir.path / "sub/out.txt", std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "a\r\nb\r\n");

  Ref<TStrings> back = MakeRef<TStrings>();
  EXPECT_TRUE(back->Load(Variant(dir.File("sub/out.txt")), 65001));
  EXPECT_EQ(Utf8Lines(back->Lines()), (std::vector<std::string>{"a", "b"}));
}

TEST(Strings, SaveRoundTripsACodePage) {
  TempDir dir;
  Ref<TStrings> s = MakeRef<TStrings>();
  s->Add(Wide("Привет"));
  s->Save(dir.File("1251.txt"), 1251);
  EXPECT_EQ(std::filesystem::file_size(dir.path / "1251.txt"), 8u);
  Ref<TStrings> back = MakeRef<TStrings>();
  EXPECT_TRUE(back->Load(Variant(dir.File("1251.txt")), 1251));
  EXPECT_EQ(back->GetLines(0), Wide("Привет"));
}

TEST(Strings, SaveThatCannotWriteFails) {
  TempDir dir;
  std::ofstream(dir.path / "plain") << "x";
  Ref<TStrings> s = Make({"a"});
  test::CallResult r = Call(s.get(), u"Save", DISPATCH_METHOD, {Variant(dir.File("plain/out.txt"))});
  EXPECT_NE(r.hr, S_OK);
  EXPECT_NE(r.message.find("Cannot create file"), std::string::npos) << r.message;
}

TEST(Strings, UnusableCodePageFails) {
  Ref<TStrings> s = Make({"a"});
  test::CallResult r = Call(s.get(), u"Load", DISPATCH_METHOD, {Variant::FromBytes({0x61}), Variant(int32_t{12345})});
  EXPECT_EQ(r.message, "Invalid code page");
  EXPECT_EQ(Utf8Lines(s->Lines()), std::vector<std::string>{"a"});
}

TEST(Strings, IndexErrorsNameTheIndex) {
  Ref<TStrings> s = Make({"a"});
  struct Case {
    const char16_t* member;
    uint16_t flags;
    std::vector<Variant> args;
    const char* message;
  } cases[] = {
      {u"Lines", DISPATCH_PROPERTYGET, {Variant(int32_t{1})}, "List index out of bounds (1)"},
      {u"Lines", DISPATCH_PROPERTYPUT, {Variant(int32_t{-1}), W("x")}, "List index out of bounds (-1)"},
      {u"RemoveAt", DISPATCH_METHOD, {Variant(int32_t{7})}, "List index out of bounds (7)"},
  };
  for (Case& c : cases) {
    test::CallResult r = Call(s.get(), c.member, c.flags, c.args);
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.message, c.message);
  }
  EXPECT_EQ(s->GetLength(), 1);
}

TEST(Strings, DefaultMemberReadsAndWritesLines) {
  Ref<TStrings> s = Make({"a", "b"});
  Variant index(int32_t{1});
  DispParams params{std::span<Variant>(&index, 1), {}};
  Variant result;
  ASSERT_EQ(s->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, params, &result, nullptr), S_OK);
  EXPECT_EQ(Text(result), "b");
  Put(s.get(), u"Lines", {Variant(int32_t{0}), W("z")});
  EXPECT_EQ(s->GetLines(0), u"z");
}

TEST(Strings, AddAnswersTheListItself) {
  Ref<TStrings> s = MakeRef<TStrings>();
  Variant first = Get(s.get(), u"Add", {W("a")});
  ASSERT_TRUE(first.IsObject());
  EXPECT_EQ(first.Dispatch(), static_cast<IDispatch*>(s.get()));
  Get(first.Dispatch(), u"Add", {W("b\r\nc")});
  EXPECT_EQ(s->GetLength(), 2);  // a line break inside Add is not split
}

TEST(Strings, NameValueLines) {
  Ref<TStrings> s = MakeRef<TStrings>();
  s->SetValues(u"key", u"1");
  EXPECT_EQ(s->GetText(), u"key=1\r\n");
  s->SetValues(u"KEY", u"2");
  EXPECT_EQ(s->GetText(), u"KEY=2\r\n");
  EXPECT_EQ(s->GetValues(u"Key"), u"2");
  s->SetValues(u"key", u"");
  EXPECT_EQ(s->GetLength(), 0);

  s->SetText(u"a = 1\r\nempty=\r\nx=y=z");
  EXPECT_EQ(s->GetValues(u"a"), u"");  // the name is "a "
  EXPECT_EQ(s->GetValues(u"a "), u" 1");
  EXPECT_EQ(s->GetValue(u"missing", u"x"), u"x");
  EXPECT_EQ(s->GetValues(u"missing"), u"");
  EXPECT_EQ(s->GetValue(u"empty", u"x"), u"");
  EXPECT_EQ(s->GetValues(u"x"), u"y=z");
  s->SetValues(u"missing", u"");
  EXPECT_EQ(s->GetLength(), 3);
}

TEST(Strings, IndexOfIgnoresCase) {
  Ref<TStrings> s = Make({"x", "abc", "ÄÖü"});
  EXPECT_EQ(s->IndexOf(u"ABC"), 1);
  EXPECT_EQ(s->IndexOf(Wide("äöÜ")), 2);
  EXPECT_EQ(s->IndexOf(u"ab"), -1);
}

TEST(Strings, SortIgnoresCase) {
  Ref<TStrings> s = Make({"b", "C", "a", "B2"});
  s->Sort();
  EXPECT_EQ(Utf8Lines(s->Lines()), (std::vector<std::string>{"a", "b", "B2", "C"}));
}

TEST(Strings, RemoveDuplicates) {
  struct Case {
    std::vector<const char*> lines;
    bool removeEmpty;
    std::vector<std::string> result;
  } cases[] = {
      {{"b", "a", "b", "", "  "}, true, {"a", "b"}},
      {{"x", "x", ""}, false, {"", "x"}},
      {{"\t", "y", "y", "y"}, true, {"y"}},
      {{}, true, {}},
      {{"only"}, true, {"only"}},
  };
  for (const Case& c : cases) {
    Ref<TStrings> s = MakeRef<TStrings>();
    for (const char* l : c.lines) s->Add(Wide(l));
    s->RemoveDuplicates(c.removeEmpty);
    EXPECT_EQ(Utf8Lines(s->Lines()), c.result);
  }
  // Lines that differ only in case are all kept.
  Ref<TStrings> s = Make({"A", "a", "A"});
  s->RemoveDuplicates(true);
  EXPECT_GE(s->GetLength(), 2);
  EXPECT_LE(s->GetLength(), 3);
}

TEST(Strings, RemoveDuplicatesDefaultRemovesEmptyLines) {
  Ref<TStrings> s = Make({"", "a"});
  ASSERT_EQ(Call(s.get(), u"RemoveDuplicates", DISPATCH_METHOD).hr, S_OK);
  EXPECT_EQ(Utf8Lines(s->Lines()), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace ulka
