// Writing resources into 32-bit PE executables built by MinGW, checked with pefile.
#include <gtest/gtest.h>

#include <filesystem>

#include "ResourceTestSupport.h"
#include "runtime/ByteOrder.h"
#include "runtime/ResourceMembers.h"

namespace ulka::test {
namespace {

// The resources app.rc gives the fixtures, in pecheck.py's JSON form.
const std::string kOriginals =
    R"([10, "HELLO", 0, "6869207468657265"], [10, "HELLO", 1031, "68616c6c6f"],)"
    R"( ["MYTYPE", "NAMED", 0, "6e616d65642064617461"])";
constexpr int kOriginalCount = 9;

std::string Present(const std::string& type, const std::string& name, int lang, const Bytes& data) {
  return "[" + type + ", " + name + ", " + std::to_string(lang) + ", \"" + Hex(data) + "\"]";
}

bool EndsWith(const Bytes& file, const Bytes& tail) {
  return file.size() >= tail.size() && std::equal(tail.begin(), tail.end(), file.end() - tail.size());
}

uint32_t SymbolTablePointer(const Bytes& file) { return Load32(file.data() + Load32(file.data() + 60) + 12); }

TEST(PeResources, AddsPackageToExecutableWithoutResourceSection) {
  TempDir dir;
  std::string exe = CopyFixture("plain.exe", dir);
  Bytes package = Pattern(100000, 1);
  ASSERT_TRUE(UpdateResource(exe, Num(23), Text("ULKA"), Variant::FromBytes(package), 0));
  EXPECT_EQ(PeCheck(exe, R"({"present": [)" + Present("23", "\"ULKA\"", 0, package) + R"(], "count": 1})"), "");
  auto loaded = LoadResource(Text(exe.c_str()), Text("ulka"), Num(23), 0);
  ASSERT_TRUE(loaded.IsByteArray());
  EXPECT_EQ(Bytes(loaded.ByteSpan().begin(), loaded.ByteSpan().end()), package);
  // A text type is a type name: "23" is not the number 23.
  EXPECT_TRUE(LoadResource(Text(exe.c_str()), Text("ULKA"), Text("23"), 0).IsEmpty());
}

struct GrowthCase {
  const char* fixture;
  size_t appended;
};

class PeGrowth : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(PeGrowth, GrowsAndShrinksKeepingWhatFollows) {
  TempDir dir;
  std::string exe = CopyFixture(GetParam().fixture, dir);
  Bytes original = ReadAll(exe);
  Bytes tail = Pattern(GetParam().appended, 7);
  original.insert(original.end(), tail.begin(), tail.end());
  WriteAll(exe, original);
  uint32_t symbols = SymbolTablePointer(original);

  Bytes package = Pattern(300000, 2);
  ASSERT_TRUE(UpdateResource(exe, Num(23), Text("ULKA"), Variant::FromBytes(package), 0));
  Bytes grown = ReadAll(exe);
  EXPECT_EQ(PeCheck(exe, R"({"present": [)" + kOriginals + ", " + Present("23", "\"ULKA\"", 0, package) +
                             R"(], "count": )" + std::to_string(kOriginalCount + 1) + "}"),
            "");
  EXPECT_TRUE(EndsWith(grown, tail));
  if (symbols != 0) {  // the symbol table moved with the tail
    uint32_t moved = SymbolTablePointer(grown);
    ASSERT_GT(moved, symbols);
    EXPECT_TRUE(std::equal(original.begin() + symbols, original.begin() + symbols + 180,
                           grown.begin() + moved));
  }

  ASSERT_TRUE(UpdateResource(exe, Num(23), Text("ULKA"), Variant(), 0));
  Bytes shrunk = ReadAll(exe);
  EXPECT_LT(shrunk.size(), grown.size() - package.size() + 4096);
  EXPECT_EQ(PeCheck(exe, R"({"present": [)" + kOriginals + R"(], "absent": [[23, "ULKA", 0]], "count": )" +
                             std::to_string(kOriginalCount) + "}"),
            "");
  EXPECT_TRUE(EndsWith(shrunk, tail));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PeGrowth,
                         ::testing::Values(GrowthCase{"last.exe", 0}, GrowthCase{"last.exe", 777},
                                           GrowthCase{"middle.exe", 0},
                                           GrowthCase{"middle.exe", 1000}));

struct EditCase {
  const char* title;
  std::vector<std::tuple<Variant, Variant, int, Bytes>> edits;  // type, name, language, data
  std::string present;
  std::string absent;
  int count;
};

Bytes B(const char* s) { return Bytes(s, s + std::strlen(s)); }

TEST(PeResources, ReplacesAndDeletesByTypeNameAndLanguage) {
  const Bytes none;
  const EditCase cases[] = {
      {"replace one language", {{Num(10), Text("HELLO"), 0, B("new")}},
       R"([10, "HELLO", 0, "6e6577"], [10, "HELLO", 1031, "68616c6c6f"])", "", kOriginalCount},
      {"delete one language", {{Num(10), Text("HELLO"), 1031, none}},
       R"([10, "HELLO", 0, "6869207468657265"])", R"([10, "HELLO", 1031])", kOriginalCount - 1},
      {"language 0 removes the leaf first, then the whole name",
       {{Num(10), Text("HELLO"), 0, none}, {Num(10), Text("HELLO"), 0, none}},
       R"(["MYTYPE", "NAMED", 0, "6e616d65642064617461"])", R"([10, "HELLO", 0], [10, "HELLO", 1031])",
       kOriginalCount - 2},
      {"named type and name", {{Text("MYTYPE"), Text("NAMED"), 0, none}, {Text("MYTYPE"), Text("Other"), 9, B("x")}},
       R"(["MYTYPE", "Other", 9, "78"])", R"(["MYTYPE", "NAMED", 0])", kOriginalCount},
      {"missing language changes nothing", {{Num(6), Num(1), 9, none}}, kOriginals, "", kOriginalCount},
      {"name 0 and language 0 remove a type", {{Num(6), Num(0), 0, none}}, kOriginals, "[6, 1, 0]",
       kOriginalCount - 1},
      {"names are exact", {{Num(10), Text("hello"), 0, B("lower")}},
       R"([10, "hello", 0, "6c6f776572"], [10, "HELLO", 0, "6869207468657265"])", "", kOriginalCount + 1},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir dir;
    std::string exe = CopyFixture("last.exe", dir);
    for (auto& [type, name, lang, data] : c.edits)
      ASSERT_TRUE(UpdateResource(exe, type, name, data.empty() ? Variant() : Variant::FromBytes(data), lang));
    EXPECT_EQ(PeCheck(exe, R"({"present": [)" + c.present + R"(], "absent": [)" + c.absent +
                               R"(], "count": )" + std::to_string(c.count) + "}"),
              "");
  }
}

// The updated program replaces the link; the program the link named stays as it was.
TEST(PeResources, UpdateOfALinkReplacesTheLinkNotTheFileItNames) {
  TempDir dir;
  std::string exe = CopyFixture("plain.exe", dir);
  const Bytes before = ReadAll(exe);
  std::string link = dir.File("link.exe");
  std::filesystem::create_symlink(exe, link);
  ASSERT_TRUE(UpdateResource(link, Num(23), Text("ULKA"), Variant::FromBytes(B("abc")), 0));
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  EXPECT_EQ(PeCheck(link, R"({"present": [[23, "ULKA", 0, "616263"]], "count": 1})"), "");
  EXPECT_EQ(ReadAll(exe), before);
}

TEST(PeResources, LoadFallsBackFromNeutralLanguage) {
  TempDir dir;
  std::string exe = CopyFixture("last.exe", dir);
  Variant file = Text(exe.c_str());
  EXPECT_EQ(LoadResource(file, Text("hello"), Num(10), 0).ByteSpan().size(), 8u);
  EXPECT_EQ(LoadResource(file, Text("HELLO"), Num(10), 1031).ByteSpan().size(), 5u);
  EXPECT_TRUE(LoadResource(file, Text("HELLO"), Num(10), 1036).IsEmpty());
  ASSERT_TRUE(UpdateResource(exe, Num(10), Text("HELLO"), Variant(), 0));
  EXPECT_EQ(LoadResource(file, Text("HELLO"), Num(10), 0).ByteSpan().size(), 5u);
}

TEST(PeResources, UnusableArgumentsAnswerFalseAndChangeNothing) {
  TempDir dir;
  std::string exe = CopyFixture("last.exe", dir);
  Bytes before = ReadAll(exe);
  Variant data = Variant::FromBytes(B("x"));
  EXPECT_FALSE(UpdateResource(exe, Variant(), Text("A"), data, 0));
  EXPECT_FALSE(UpdateResource(exe, Num(10), Variant(1.5), data, 0));
  EXPECT_FALSE(UpdateResource(exe, Num(70000), Text("A"), data, 0));
  EXPECT_FALSE(UpdateResource(exe, Num(10), Text(""), data, 0));
  EXPECT_FALSE(UpdateResource(dir.File("missing.exe"), Num(10), Text("A"), data, 0));
  EXPECT_EQ(ReadAll(exe), before);
  EXPECT_TRUE(LoadResource(Variant(), Text("HELLO"), Num(10), 0).IsEmpty());
  EXPECT_TRUE(LoadResource(Num(0), Text("HELLO"), Num(10), 0).IsEmpty());
  EXPECT_TRUE(LoadResource(Text(exe.c_str()), Variant(2.5), Num(10), 0).IsEmpty());
}

}  // namespace
}  // namespace ulka::test
