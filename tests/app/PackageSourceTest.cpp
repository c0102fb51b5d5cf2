// Choosing the application source: the embedded package (plain or sealed), a zip named on the
// command line, or the folder of a page named there; and the start page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/PackageSource.h"
#include "automation/ByteConvert.h"
#include "automation/Encodings.h"
#include "automation/Unicode.h"
#include "crypto/Cryptor.h"
#include "crypto/Signer.h"
#include "runtime/ResourceMembers.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

using Files = std::vector<std::pair<WideString, std::string>>;

Bytes MakeZip(const Files& files) {
  Ref<TZip> zip = MakeRef<TZip>();
  for (auto& [name, text] : files) zip->Add(name, Variant::FromBytes(Bytes(text.begin(), text.end())));
  return VarToBytes(zip->GetZip());
}

PackageKeys MakeKeys(TSigner& signer, uint8_t seed) {
  Bytes key(16), iv(16);
  for (int i = 0; i < 16; ++i) {
    key[i] = static_cast<uint8_t>(seed * 31 + i);
    iv[i] = static_cast<uint8_t>(seed * 17 + 3 * i);
  }
  return {Base64Encode(VarToBytes(signer.ExportPublicKey())), Base64Encode(key), Base64Encode(iv)};
}

Bytes Seal(const Bytes& zip, TSigner& signer, const PackageKeys& keys) {
  Ref<TCryptor> cryptor = MakeRef<TCryptor>();
  cryptor->SetCipher(u"twofish");
  Variant encrypted = cryptor->Encrypt(Variant::FromBytes(zip), Variant(keys.Key), Variant(keys.InitVector));
  Bytes signed_ = VarToBytes(signer.SignData(encrypted));
  Bytes sealed = {'U', 'L', 'K', 'A'};
  sealed.insert(sealed.end(), signed_.begin(), signed_.end());
  return sealed;
}

class PackageSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    signer_ = MakeRef<TSigner>().Detach();
    other_ = MakeRef<TSigner>().Detach();
    ASSERT_TRUE(signer_->CreateKey(1024));
    ASSERT_TRUE(other_->CreateKey(1024));
  }
  static void TearDownTestSuite() {
    signer_->Release();
    other_->Release();
  }

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ulka-source-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    keys_ = MakeKeys(*signer_, 1);
  }
  void TearDown() override { fs::remove_all(root_); }

  // A small ELF program carrying `resource` as its package (none when empty).
  Variant Host(const Bytes& resource) {
    std::string host = (root_ / "host").string();
    fs::copy_file("/bin/true", host, fs::copy_options::overwrite_existing);
    if (!resource.empty()) {
      EXPECT_TRUE(UpdateResource(host, Variant(int32_t{23}), Variant(WideString(u"ULKA")),
                                 Variant::FromBytes(resource), 0));
    }
    return Variant(Wide(host));
  }
  WideString File(const std::string& name, const Bytes& bytes) {
    std::ofstream(root_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return Wide((root_ / name).string());
  }
  SourceChoice Choose(const Variant& module, std::vector<WideString> params = {}) {
    return ChooseSource({module, std::move(params), "/work/here", keys_});
  }

  static TSigner* signer_;
  static TSigner* other_;
  fs::path root_;
  PackageKeys keys_;
};

TSigner* PackageSourceTest::signer_ = nullptr;
TSigner* PackageSourceTest::other_ = nullptr;

TEST_F(PackageSourceTest, StartPagePatternsInOrder) {
  const std::pair<Files, const char16_t*> cases[] = {
      {{{u"start.ulka", "a"}, {u"index.html", "b"}}, u"start.ulka"},
      {{{u"a.html", "a"}, {u"INDEX.HTM", "b"}, {u"app/run.ulka", "c"}}, u"app/run.ulka"},
      {{{u"b.htm", "a"}, {u"a.html", "b"}, {u"index.htm", "c"}}, u"index.htm"},
      {{{u"sub/index.html", "a"}}, u"sub/index.html"},  // not a root entry: found as "*.html"
      {{{u"page.htm", "a"}, {u"x.html", "b"}}, u"x.html"},
      {{{u"readme.txt", "a"}}, u""},
  };
  for (const auto& [files, expected] : cases) {
    SCOPED_TRACE(Utf8(expected));
    Ref<TZip> zip = MakeRef<TZip>();
    ASSERT_TRUE(zip->Load(Variant::FromBytes(MakeZip(files))));
    EXPECT_EQ(FindStartPage(*zip), expected);
  }
}

TEST_F(PackageSourceTest, EmbeddedPlainPackageWinsAndConsumesNothing) {
  SourceChoice source = Choose(Host(MakeZip({{u"sub/main.html", "<html>"}})), {Wide("/other/app.zip")});
  ASSERT_TRUE(source.Zip);
  EXPECT_EQ(source.StartFile, u"sub/main.html");
  EXPECT_FALSE(source.ConsumesParameter);
  EXPECT_EQ(source.Handler().get(), static_cast<IDispatch*>(source.Zip.get()));
}

TEST_F(PackageSourceTest, SealedPackageOpensOnlyWithItsKeys) {
  const Bytes zip = MakeZip({{u"index.html", "<html>sealed</html>"}});
  const Bytes sealed = Seal(zip, *signer_, keys_);
  SourceChoice good = Choose(Host(sealed));
  ASSERT_TRUE(good.Zip);
  EXPECT_EQ(good.StartFile, u"index.html");
  EXPECT_EQ(VarToBytes(good.Zip->Extract(u"index.html")), Bytes({'<', 'h', 't', 'm', 'l', '>', 's', 'e', 'a', 'l', 'e', 'd', '<', '/', 'h', 't', 'm', 'l', '>'}));

  Bytes altered = sealed;
  altered[10] ^= 1;
  PackageKeys wrongCipherKey = MakeKeys(*signer_, 2);
  const std::pair<const char*, Bytes> rejected[] = {
      {"one byte of the data altered", altered},
      {"signed with another key", Seal(zip, *other_, keys_)},
      {"encrypted under another key", Seal(zip, *signer_, wrongCipherKey)},
      {"the magic only", Bytes({'U', 'L', 'K', 'A'})},
      {"shorter than the magic", Bytes({'U', 'L', 'K'})},
      {"a zero inside the magic", Bytes({'P', 0, 'x', 'y'})},
      {"neither container", Bytes({'M', 'Z', 1, 2, 3})},
      {"PK without a zip", Bytes({'P', 'K', 1, 2, 3, 4, 5})},
  };
  for (const auto& [title, resource] : rejected) {
    SCOPED_TRACE(title);
    SourceChoice source = Choose(Host(resource));
    EXPECT_FALSE(source);
    EXPECT_FALSE(source.Handler());
  }
}

TEST_F(PackageSourceTest, CommandLineZip) {
  WideString zip = File("app.zip", MakeZip({{u"index.html", "<html>"}, {u"img/a.png", "png"}}));
  SourceChoice source = Choose(Host({}), {zip, u"more"});
  ASSERT_TRUE(source.Zip);
  EXPECT_EQ(source.StartFile, u"index.html");
  EXPECT_TRUE(source.ConsumesParameter);

  WideString noPage = File("data.zip", MakeZip({{u"readme.txt", "text"}}));
  SourceChoice none = Choose(Host({}), {noPage});
  EXPECT_FALSE(none);
  EXPECT_FALSE(none.ConsumesParameter);
}

TEST_F(PackageSourceTest, EmbeddedPackageWithoutStartPageFallsBackToTheSameArchive) {
  Variant host = Host(MakeZip({{u"readme.txt", "text"}}));
  // A zip with a page replaces the package's entries.
  SourceChoice fromZip = Choose(host, {File("app.zip", MakeZip({{u"index.html", "<html>"}}))});
  ASSERT_TRUE(fromZip.Zip);
  EXPECT_EQ(fromZip.StartFile, u"index.html");
  EXPECT_TRUE(fromZip.ConsumesParameter);
  EXPECT_LT(fromZip.Zip->IndexOf(u"readme.txt"), 0);
  // A page that is no zip: the archive still has entries, so no folder is served.
  EXPECT_FALSE(Choose(host, {File("page.html", {'<', 'p', '>'})}));
}

TEST_F(PackageSourceTest, PageInAFolder) {
  struct Case {
    const char* title;
    WideString param;
    WideString folder;
    WideString start;
  };
  const std::string dir = root_.string() + "/";
  File("page.html", {'<', 'p', '>'});
  File("empty.html", {});
  fs::create_directory(root_ / "folder");
  const Case cases[] = {
      {"a page that is no zip", Wide(dir + "page.html"), Wide(dir), u"page.html"},
      {"an empty file", Wide(dir + "empty.html"), Wide(dir), u"empty.html"},
      {"a missing page", u"/app/none.html", u"/app/", u"none.html"},
      {"a bare name", u"page.html", u"/work/here/", u"page.html"},
      {"a folder, which cannot be read as a file", Wide(dir + "folder"), Wide(dir), u"folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    SourceChoice source = Choose(Host({}), {c.param});
    ASSERT_TRUE(source.Storage);
    EXPECT_FALSE(source.Zip);
    EXPECT_EQ(source.Storage->GetPath(), c.folder);
    EXPECT_EQ(source.StartFile, c.start);
    EXPECT_TRUE(source.ConsumesParameter);
  }
}

TEST_F(PackageSourceTest, NothingToRun) {
  EXPECT_FALSE(Choose(Host({})));
  EXPECT_FALSE(Choose(Variant()));
  EXPECT_FALSE(Choose(Variant(WideString(u"/no/such/program"))));
}

}  // namespace
}  // namespace ulka
