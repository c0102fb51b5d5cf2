#include "archive/Zip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/Dispatch.h"
#include "automation/ErrorInfo.h"
#include "automation/Unicode.h"
#include "ZipBytes.h"

namespace ulka {
namespace {

using test::BuildArchive;
using test::FixturePath;
using test::RawEntry;
using test::ToBytes;

Variant ByteArray(const std::string& s) { return Variant::FromBytes(ToBytes(s)); }
Bytes BytesOf(const Variant& v) {
  auto span = v.ByteSpan();
  return Bytes(span.begin(), span.end());
}

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char templ[] = "/tmp/ulka-zip-XXXXXX";
    path = mkdtemp(templ);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  WideString File(const std::string& name) const { return Wide((path / name).string()); }
  void Write(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << content;
  }
};

// ---- the member table

TEST(Zip, MemberTable) {
  struct Expected {
    DISPID id;
    const char16_t* name;
    std::vector<std::u16string> params;  // "?" marks an optional parameter
  } expected[] = {
      {201, u"Load", {u"Source"}},
      {202, u"Save", {u"FileName"}},
      {203, u"Add", {u"Name", u"Data"}},
      {0, u"Extract", {u"Name"}},
      {204, u"IndexOf", {u"Name"}},
      {205, u"CodePage", {}},
      {206, u"Length", {}},
      {207, u"Names", {u"Index"}},
      {208, u"Bytes", {u"Index"}},
      {209, u"Dates", {u"Index"}},
      {211, u"AddFolder", {u"Path", u"Name?", u"Subfolders?"}},
      {210, u"Zip", {}},
      {212, u"AddFile", {u"FileName", u"Name?"}},
  };
  const InterfaceInfo& info = TZip::Info();
  EXPECT_EQ(info.Name(), u"IZip");
  EXPECT_EQ(info.Iid(), u"{BEE28AAF-B2C5-45E8-AE90-8D96A9229F1B}");
  ASSERT_EQ(info.Members().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const MemberInfo& m = info.Members()[i];
    EXPECT_EQ(m.id, expected[i].id);
    EXPECT_EQ(m.name, expected[i].name);
    const Accessor& a = m.method ? m.method : m.get ? m.get : m.put;
    std::vector<std::u16string> params;
    size_t count = m.kind == MemberKind::Method ? a.params.size() : m.IndexCount();
    for (size_t k = 0; k < count; ++k) params.push_back(a.params[k].name + (a.params[k].optional ? u"?" : u""));
    EXPECT_EQ(params, expected[i].params) << Utf8(m.name);
  }
  const MemberInfo* folder = info.FindByName(u"addfolder");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->method.params[1].defaultValue->Text(), u"");
  EXPECT_TRUE(folder->method.params[2].defaultValue->Bool());
  EXPECT_EQ(info.FindById(209)->get.result, VT_DATE);
  EXPECT_EQ(info.FindById(205)->get.result, VT_UI2);
  EXPECT_TRUE(info.FindById(206)->get && !info.FindById(206)->put);
  EXPECT_TRUE(info.FindById(210)->get && !info.FindById(210)->put);
}

// ---- members

TEST(Zip, NewObjectGivesTheEndRecordAlone) {
  Ref<TZip> zip = MakeRef<TZip>();
  Bytes expected(22, 0);
  expected[0] = 0x50, expected[1] = 0x4B, expected[2] = 0x05, expected[3] = 0x06;
  EXPECT_EQ(BytesOf(zip->GetZip()), expected);
  EXPECT_EQ(zip->GetCodePage(), 0);
}

TEST(Zip, AddSaveLoadExtract) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"a.txt", ByteArray("payload"));
  Ref<TZip> again = MakeRef<TZip>();
  EXPECT_TRUE(again->Load(zip->GetZip()));
  EXPECT_EQ(again->GetLength(), 1);
  EXPECT_EQ(again->GetNames(0), u"a.txt");
  EXPECT_EQ(BytesOf(again->Extract(u"A.TXT")), ToBytes("payload"));
  EXPECT_TRUE(again->Extract(u"b.txt").IsEmpty());
}

TEST(Zip, AddWithTextStoresAnEmptyEntry) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"t", Variant(u"text is no data"));
  const TLocalFile& entry = zip->ZipFile().Files()[0];
  EXPECT_EQ(+entry.CommonFileHeader.FileDescriptor.Crc32, 0u);
  EXPECT_EQ(+entry.CommonFileHeader.FileDescriptor.UncompressedSize, 0u);
  EXPECT_EQ(entry.CompressedData.size(), 2u);
  EXPECT_TRUE(zip->Extract(u"t").IsEmpty());
}

TEST(Zip, AddReplacesTheEntryThatIndexOfFinds) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"readme.txt", ByteArray("1"))->Add(u"x/page.HTML", ByteArray("2"));
  EXPECT_EQ(zip->IndexOf(u"*.html"), 1);
  EXPECT_EQ(zip->IndexOf(u"page.html"), -1);
  zip->Add(u"*.html", ByteArray("3"));
  zip->Add(u"README.TXT", ByteArray("4"));
  EXPECT_EQ(zip->GetLength(), 2);
  EXPECT_EQ(BytesOf(zip->GetBytes(1)), ToBytes("3"));
  EXPECT_EQ(BytesOf(zip->GetBytes(0)), ToBytes("4"));
  EXPECT_EQ(zip->GetNames(0), u"readme.txt");
}

TEST(Zip, FailuresThatGiveEmpty) {
  RawEntry bad{"bad.txt", ToBytes("data")};
  bad.crc = 1;
  Ref<TZip> zip = MakeRef<TZip>();
  ASSERT_TRUE(zip->Load(Variant::FromBytes(BuildArchive({bad, RawEntry{"ok.txt", ToBytes("fine")}}))));
  EXPECT_TRUE(zip->GetBytes(0).IsEmpty());
  EXPECT_TRUE(zip->Extract(u"bad.txt").IsEmpty());
  EXPECT_TRUE(zip->GetBytes(2).IsEmpty());
  EXPECT_TRUE(zip->GetBytes(-1).IsEmpty());
  EXPECT_EQ(BytesOf(zip->Extract(u"ok.txt")), ToBytes("fine"));
}

TEST(Zip, IndexErrorsReachTheScript) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"a", ByteArray("x"));
  struct {
    const char16_t* member;
    uint16_t flags;
    std::vector<Variant> args;
  } cases[] = {
      {u"Bytes", DISPATCH_PROPERTYPUT, {Variant(1), ByteArray("y")}},
      {u"Dates", DISPATCH_PROPERTYGET, {Variant(1)}},
      {u"Names", DISPATCH_PROPERTYGET, {Variant(-1)}},
      {u"Names", DISPATCH_PROPERTYGET, {Variant(1)}},
      {u"Names", DISPATCH_PROPERTYPUT, {Variant(-1), Variant(u"n")}},
      {u"Bytes", DISPATCH_PROPERTYPUT, {Variant(-1), ByteArray("y")}},
  };
  for (auto& c : cases) {
    Variant result;
    EXPECT_EQ(InvokeByName(zip.get(), c.member, c.flags, c.args, &result), DISP_E_EXCEPTION) << Utf8(c.member);
    auto info = TakeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, u"Index out of range.");
  }
  EXPECT_EQ(zip->GetLength(), 1);
}

TEST(Zip, DispatchCallsTheDefaultMemberAndPutsByIndex) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"a.txt", ByteArray("A"));
  std::vector<Variant> put = {Variant(0), Variant(u"b.txt")};
  ASSERT_EQ(InvokeByName(zip.get(), u"names", DISPATCH_PROPERTYPUT, put, nullptr), S_OK);
  std::vector<Variant> args = {Variant(u"B.TXT")};
  DispParams params{args, {}};
  Variant result;
  ASSERT_EQ(zip->Invoke(DISPID_VALUE, DISPATCH_METHOD, params, &result, nullptr), S_OK);
  EXPECT_EQ(BytesOf(result), ToBytes("A"));
  std::vector<Variant> added = {Variant(u"c"), ByteArray("C")};
  ASSERT_EQ(InvokeByName(zip.get(), u"Add", DISPATCH_METHOD, added, &result), S_OK);
  EXPECT_EQ(VarToObject<TZip>(result), zip.get());
}

TEST(Zip, DatesPutKeepsTheDataAndGetRoundsToEvenSeconds) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"a", ByteArray("data"));
  const double when = 43968 + (10 * 3600 + 20 * 60 + 31) / 86400.0;
  zip->SetDates(0, Date{when});
  EXPECT_NEAR(zip->GetDates(0).value, when - 1 / 86400.0, 1e-9);
  EXPECT_EQ(BytesOf(zip->GetBytes(0)), ToBytes("data"));
}

TEST(Zip, LoadSources) {
  TempDir dir;
  dir.Write("notzip.txt", "no archive here, just text");
  struct {
    const char* what;
    Variant source;
    bool result;
    int length;  // after loading into an object that held one entry
  } cases[] = {
      {"archive bytes", Variant::FromBytes(BuildArchive({RawEntry{"a", ToBytes("1")}, RawEntry{"b", ToBytes("2")}})), true, 2},
      {"archive file", Variant(Wide(FixturePath("info_plain.zip"))), true, 2},
      {"missing file", Variant(dir.File("missing.zip")), false, 1},
      {"a folder", Variant(Wide(dir.path.string())), false, 1},
      {"text file, no header", Variant(dir.File("notzip.txt")), true, 1},
      {"bytes without header", ByteArray("just bytes"), true, 1},
      {"number", Variant(5), false, 1},
      {"empty", Variant(), false, 1},
      {"null", Variant::Null(), false, 1},
  };
  for (auto& c : cases) {
    Ref<TZip> zip = MakeRef<TZip>();
    zip->Add(u"old", ByteArray("x"));
    EXPECT_EQ(zip->Load(c.source), c.result) << c.what;
    EXPECT_EQ(zip->GetLength(), c.length) << c.what;
  }
}

TEST(Zip, SaveCreatesFoldersAndSwallowsFailures) {
  TempDir dir;
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"a.txt", ByteArray("A"));
  WideString target = dir.File("new/deeper/out.zip");
  EXPECT_EQ(zip->Save(target).get(), zip.get());
  Ref<TZip> again = MakeRef<TZip>();
  EXPECT_TRUE(again->Load(Variant(target)));
  EXPECT_EQ(zip->Save(u"/proc/no/such/place.zip").get(), zip.get());
}

TEST(Zip, AddFile) {
  TempDir dir;
  dir.Write("sub/data.bin", "file data");
  Ref<TZip> zip = MakeRef<TZip>();
  zip->AddFile(dir.File("sub/data.bin"), u"");
  zip->AddFile(dir.File("sub/data.bin"), u"a\\b\\c.bin");
  zip->AddFile(dir.File("sub/data.bin"), u"");  // appended again, no lookup
  zip->AddFile(dir.File("missing.bin"), u"");
  ASSERT_EQ(zip->GetLength(), 4);
  EXPECT_EQ(zip->GetNames(0), u"data.bin");
  EXPECT_EQ(zip->GetNames(1), u"a/b/c.bin");
  EXPECT_EQ(zip->GetNames(2), u"data.bin");
  EXPECT_EQ(zip->GetNames(3), u"missing.bin");
  EXPECT_EQ(BytesOf(zip->GetBytes(1)), ToBytes("file data"));
  EXPECT_TRUE(zip->GetBytes(3).IsEmpty());

  std::vector<Variant> args = {Variant(Wide(dir.path.string())), Variant(u"folder")};
  Variant result;
  EXPECT_EQ(InvokeByName(zip.get(), u"AddFile", DISPATCH_METHOD, args, &result), DISP_E_EXCEPTION);
  EXPECT_EQ(TakeErrorInfo()->description, u"Range check error");
  EXPECT_EQ(zip->GetLength(), 5);  // the entry stays, without data
  EXPECT_EQ(zip->GetNames(4), u"folder");
}

TEST(Zip, AddFolder) {
  TempDir dir;
  dir.Write("site/index.html", "<html>");
  dir.Write("site/img/a.png", "png");
  dir.Write("site/.hidden", "h");
  dir.Write("site/.cache/c.txt", "c");
  Ref<TZip> zip = MakeRef<TZip>();
  zip->AddFolder(dir.File("site"), u"web", true);
  std::vector<WideString> names;
  for (int i = 0; i < zip->GetLength(); ++i) names.push_back(zip->GetNames(i));
  EXPECT_EQ(names, (std::vector<WideString>{u"web/index.html", u"web/.cache/c.txt", u"web/img/a.png"}));
  EXPECT_EQ(BytesOf(zip->Extract(u"web/img/a.png")), ToBytes("png"));

  Ref<TZip> flat = MakeRef<TZip>();
  flat->AddFolder(dir.File("site/"), u"", false);
  ASSERT_EQ(flat->GetLength(), 1);
  EXPECT_EQ(flat->GetNames(0), u"index.html");
}

TEST(Zip, CodePageGovernsNameBytes) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->SetCodePage(1251);
  zip->Add(u"Привет.txt", ByteArray("1"));
  EXPECT_EQ(zip->ZipFile().EntryName(0), "\xCF\xF0\xE8\xE2\xE5\xF2.txt");
  EXPECT_EQ(zip->GetNames(0), u"Привет.txt");
  EXPECT_EQ(zip->IndexOf(u"Привет.txt"), 0);
  EXPECT_EQ(zip->IndexOf(u"ПРИВЕТ.TXT"), 0);  // single-byte names fold too
  EXPECT_EQ(zip->IndexOf(u"Привет.txt "), -1);
  zip->SetCodePage(65001);
  EXPECT_EQ(zip->ZipFile().EntryName(0), "\xCF\xF0\xE8\xE2\xE5\xF2.txt");  // bytes untouched
  zip->Add(u"ÄÖ.txt", ByteArray("2"));
  EXPECT_EQ(zip->ZipFile().EntryName(1), "\xC3\x84\xC3\x96.txt");
  EXPECT_EQ(zip->IndexOf(u"äö.TXT"), 1);
}

}  // namespace
}  // namespace ulka
