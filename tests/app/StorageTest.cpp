// The folder storage: reading and writing files by name under its folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/Storage.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ulka-storage-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    fs::create_directories(root_ / "app" / "img");
    Put("app/img/logo.png", "PNG!");
    Put("app/empty.txt", "");
    Put("secret.txt", "outside");
    storage_ = MakeRef<TStorage>(Wide((root_ / "app").string()));
  }
  void TearDown() override { fs::remove_all(root_); }

  void Put(const std::string& name, const std::string& text) { std::ofstream(root_ / name) << text; }
  std::string Text(const Variant& v) {
    auto s = v.ByteSpan();
    return std::string(s.begin(), s.end());
  }

  fs::path root_;
  Ref<TStorage> storage_;
};

TEST_F(StorageTest, PathEndsInDelimiterAndNamesUseSlashes) {
  EXPECT_EQ(Utf8(storage_->GetPath()), (root_ / "app").string() + "/");
  storage_->SetPath(storage_->GetPath());
  EXPECT_EQ(Utf8(storage_->GetPath()), (root_ / "app").string() + "/");
  EXPECT_EQ(Text(storage_->Read(u"img/logo.png")), "PNG!");
}

TEST_F(StorageTest, MissingEmptyAndFolderNamesGiveEmpty) {
  EXPECT_TRUE(storage_->Read(u"img/none.png").IsEmpty());
  EXPECT_TRUE(storage_->Read(u"empty.txt").IsEmpty());
  EXPECT_TRUE(storage_->Read(u"img").IsEmpty());
  EXPECT_TRUE(storage_->Read(u"img/logo.png?v=1").IsEmpty());  // a query is part of the name
}

// A pipe in the folder is refused at once, as an unreadable file, rather than waited on.
TEST_F(StorageTest, PipesAreRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo((root_ / "app" / "pipe.html").c_str(), 0600), 0);
  try {
    storage_->Read(u"pipe.html");
    FAIL() << "read a pipe";
  } catch (const EVekError& e) {
    EXPECT_EQ(Utf8(e.Message()), "Range check error");
  }
}

TEST_F(StorageTest, ReadIsTheDefaultMember) {
  Variant name(WideString(u"img/logo.png"));
  DispParams params{std::span<Variant>(&name, 1), {}};
  Variant result;
  ASSERT_EQ(storage_->Invoke(DISPID_VALUE, DISPATCH_METHOD, params, &result, nullptr), S_OK);
  EXPECT_EQ(Text(result), "PNG!");
}

TEST_F(StorageTest, NamesThatLeaveTheFolderAreNotServed) {
  for (const char16_t* name : {u"../secret.txt", u"img/../../secret.txt", u"%2e%2e/secret.txt",
                               u"img/%2E%2E/%2e%2e/secret.txt", u"..%2fsecret.txt",
                               u"%2F..%2Fsecret.txt"}) {
    SCOPED_TRACE(Utf8(name));
    EXPECT_TRUE(storage_->Read(name).IsEmpty());
  }
  Variant data = Variant::FromBytes({1, 2, 3});
  storage_->Write(u"../written.bin", data);
  storage_->Write((Wide(root_.string()) + u"/absolute.bin"), data);
  EXPECT_FALSE(fs::exists(root_ / "written.bin"));
  EXPECT_FALSE(fs::exists(root_ / "absolute.bin"));
  // Dots inside names are fine.
  Put("app/a..b", "dots");
  EXPECT_EQ(Text(storage_->Read(u"a..b")), "dots");
}

TEST_F(StorageTest, WriteCreatesFoldersAndWritesOnlyNonEmptyArrays) {
  storage_->Write(u"data/new/x.bin", Variant::FromBytes({7, 8}));
  EXPECT_EQ(Text(storage_->Read(u"data/new/x.bin")), "\x07\x08");
  storage_->Write(u"text.bin", Variant(WideString(u"not an array")));
  storage_->Write(u"none.bin", Variant::FromBytes({}));
  storage_->Write(u"nothing.bin", Variant());
  EXPECT_FALSE(fs::exists(root_ / "app" / "text.bin"));
  EXPECT_FALSE(fs::exists(root_ / "app" / "none.bin"));
  EXPECT_FALSE(fs::exists(root_ / "app" / "nothing.bin"));
  Put("app/blocker", "a file where a folder is wanted");
  storage_->Write(u"blocker/x.bin", Variant::FromBytes({1}));  // fails silently
  EXPECT_TRUE(fs::is_regular_file(root_ / "app" / "blocker"));
}

}  // namespace
}  // namespace ulka
