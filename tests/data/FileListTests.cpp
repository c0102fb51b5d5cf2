#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "automation/ByteConvert.h"
#include "data/FileList.h"
#include "tests/data/CallHelpers.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;
using test::Call;

struct Tree {
  fs::path root;
  Tree() {
    char pattern[] = "/tmp/ulka-files-XXXXXX";
    root = mkdtemp(pattern);
  }
  ~Tree() { fs::remove_all(root); }
  void File(const char* name, const std::string& content = "") {
    fs::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << content;
  }
  WideString Mask(const char* pattern) const { return Wide((root / pattern).string()); }
  WideString Folder() const { return Wide(root.string() + "/"); }
};

std::vector<std::string> FullNames(TFileList& list, const WideString& prefix) {
  std::vector<std::string> names;
  for (int i = 0; i < list.GetLength(); ++i) {
    WideString full = list.GetItems(i)->GetFullName();
    names.push_back(Utf8(full.substr(0, prefix.size()) == prefix ? full.substr(prefix.size()) : full));
  }
  return names;
}

TEST(FileList, MasksMatchWithStarAndQuestionMark) {
  struct Case {
    const char16_t* name;
    const char16_t* mask;
    bool match;
  } cases[] = {
      {u"a.txt", u"*.txt", true},   {u"a.TXT", u"*.txt", true},  {u"a.txt.bak", u"*.txt", false},
      {u"noext", u"*.*", true},     {u"a.txt", u"?.txt", true},  {u"ab.txt", u"?.txt", false},
      {u"abc", u"a*c", true},       {u"ac", u"a*c", true},       {u"abcd", u"a*c", false},
      {u"a", u"*", true},           {u"", u"*", true},           {u"abc", u"", false},
      {u"aXbXc", u"a*b*c", true},   {u"a.b.c", u"*.c", true},    {u"x", u"x**", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << Utf8(c.name) << " ~ " << Utf8(c.mask);
}

TEST(FileList, FindsVisibleRegularFilesOnly) {
  Tree t;
  t.File("b.txt");
  t.File("a.txt", "hello");
  t.File(".hidden.txt");
  t.File("c.dat");
  ASSERT_EQ(mkfifo((t.root / "fifo.txt").c_str(), 0600), 0);
  fs::create_symlink("a.txt", t.root / "link.txt");
  fs::create_symlink("nowhere", t.root / "broken.txt");
  fs::create_directory(t.root / "dir.txt");
  Ref<TFileList> list = MakeRef<TFileList>();
  EXPECT_EQ(list->Add(t.Mask("*.txt"), false), 3);
  EXPECT_EQ(FullNames(*list, t.Folder()), (std::vector<std::string>{"a.txt", "b.txt", "link.txt"}));
  Ref<TFileInfo> a = list->GetItems(0);
  EXPECT_EQ(a->GetPath(), t.Folder());
  EXPECT_EQ(a->GetSize().Int(), 5);
}

TEST(FileList, SubfoldersComeAfterTheFilesOfTheirFolder) {
  Tree t;
  t.File("z.txt");
  t.File("sub/d.txt");
  t.File("sub/deeper/e.txt");
  t.File("sub/skip.dat");
  t.File(".hid/f.txt");
  t.File("a/b.txt");
  fs::create_directory_symlink(".", t.root / "loop");
  Ref<TFileList> list = MakeRef<TFileList>();
  EXPECT_EQ(list->Add(t.Mask("*.txt"), true), 5);
  EXPECT_EQ(FullNames(*list, t.Folder()),
            (std::vector<std::string>{"z.txt", ".hid/f.txt", "a/b.txt", "sub/d.txt", "sub/deeper/e.txt"}));
  EXPECT_EQ(list->GetItems(3)->GetPath(), t.Folder() + u"sub/");
  EXPECT_EQ(list->Add(t.Mask("*.txt"), true), 5);  // no check for repeats
  EXPECT_EQ(list->GetLength(), 10);
}

TEST(FileList, MissingFolderOrNoMatchAddsNothing) {
  Tree t;
  t.File("a.txt");
  Ref<TFileList> list = MakeRef<TFileList>();
  EXPECT_EQ(list->Add(t.Mask("missing/*.txt"), true), 0);
  EXPECT_EQ(list->Add(t.Mask("*.none"), true), 0);
  EXPECT_EQ(list->Add(t.Folder(), false), 0);  // an empty pattern matches no file
}

TEST(FileList, MaskWithoutFolderSearchesTheCurrentFolder) {
  Tree t;
  t.File("x.dat");
  const fs::path before = fs::current_path();
  fs::current_path(t.root);
  Ref<TFileList> list = MakeRef<TFileList>();
  const int found = list->Add(u"*.dat", false);
  fs::current_path(before);
  ASSERT_EQ(found, 1);
  EXPECT_EQ(list->GetItems(0)->GetPath(), u"");
  EXPECT_EQ(list->GetItems(0)->GetFullName(), u"x.dat");
}

TEST(FileList, NamePartsOfAnEntry) {
  struct Case {
    const char* file;
    const char16_t* name;
    const char16_t* extension;
  } cases[] = {
      {"report.final.txt", u"report.final", u".txt"},
      {"noext", u"noext", u""},
      {"trailing.", u"trailing", u"."},
  };
  for (const Case& c : cases) {
    Ref<TFileInfo> info = MakeRef<TFileInfo>(u"/x/", Wide(c.file), 0, Date{});
    EXPECT_EQ(info->GetName(), c.name);
    EXPECT_EQ(info->GetExtension(), c.extension);
    EXPECT_EQ(info->GetFileName(), Wide(c.file));
  }
}

TEST(FileList, DateIsLocalTimeInTwoSecondSteps) {
  Tree t;
  t.File("d.txt");
  std::tm local{};
  local.tm_year = 2011 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 1;
  local.tm_hour = 14;
  local.tm_min = 5;
  local.tm_sec = 9;
  local.tm_isdst = -1;
  const timeval times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
  ASSERT_EQ(utimes((t.root / "d.txt").c_str(), times), 0);
  Ref<TFileList> list = MakeRef<TFileList>();
  ASSERT_EQ(list->Add(t.Mask("d.txt"), false), 1);
  const double expected = 40603 + (14 * 3600 + 5 * 60 + 8) / 86400.0;
  EXPECT_NEAR(list->GetItems(0)->GetDate().value, expected, 1e-9);
}

TEST(FileList, HashIsReadOnceAndKept) {
  Tree t;
  t.File("empty.bin");
  t.File("abc.bin", "abc");
  Ref<TFileList> list = MakeRef<TFileList>();
  ASSERT_EQ(list->Add(t.Mask("*.bin"), false), 2);
  Variant abc = test::Get(list->GetItems(0).get(), u"Hash");
  ASSERT_TRUE(abc.IsByteArray());
  EXPECT_EQ(Bytes(abc.ByteSpan().begin(), abc.ByteSpan().end()),
            (Bytes{0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0, 0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72}));
  const Variant empty = list->GetItems(1)->GetHash();
  const Bytes emptyMd5{0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04, 0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
  EXPECT_EQ(Bytes(empty.ByteSpan().begin(), empty.ByteSpan().end()), emptyMd5);
  t.File("empty.bin", "changed");
  const Variant again = list->GetItems(1)->GetHash();
  EXPECT_EQ(Bytes(again.ByteSpan().begin(), again.ByteSpan().end()), emptyMd5);
  fs::remove(t.root / "abc.bin");
  Ref<TFileList> gone = MakeRef<TFileList>();
  gone->Add(t.Mask("*.bin"), false);
  fs::remove(t.root / "empty.bin");
  const Variant missing = gone->GetItems(0)->GetHash();
  EXPECT_EQ(Bytes(missing.ByteSpan().begin(), missing.ByteSpan().end()), emptyMd5);
}

TEST(FileList, EntriesAreTheSameObjectsEveryTime) {
  Tree t;
  t.File("a.txt");
  t.File("b.txt");
  Ref<TFileList> list = MakeRef<TFileList>();
  list->Add(t.Mask("*.txt"), false);
  test::Put(list->GetItems(0).get(), u"Selected", {Variant(int32_t{2})});
  EXPECT_TRUE(list->GetItems(0)->GetSelected());
  EXPECT_FALSE(list->GetItems(1)->GetSelected());
  Ref<TFileInfo> held = list->GetItems(0);
  list->RemoveAt(0);
  EXPECT_EQ(list->GetLength(), 1);
  EXPECT_EQ(held->GetFileName(), u"a.txt");
  list->RemoveAll();
  EXPECT_EQ(list->GetLength(), 0);
}

TEST(FileList, IndexErrorsNameTheIndex) {
  Ref<TFileList> list = MakeRef<TFileList>();
  EXPECT_EQ(Call(list.get(), u"Items", DISPATCH_PROPERTYGET, {Variant(int32_t{0})}).message,
            "List index out of bounds (0)");
  EXPECT_EQ(Call(list.get(), u"RemoveAt", DISPATCH_METHOD, {Variant(int32_t{-1})}).message,
            "List index out of bounds (-1)");
}

}  // namespace
}  // namespace ulka
