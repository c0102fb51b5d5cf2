#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "automation/Unicode.h"
#include "automation/Urls.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

TEST(HasScheme, ColonBeforeFirstSlash) {
  struct Case {
    const char16_t* text;
    bool scheme;
  } cases[] = {
      {u"net://x", true},   {u"ulka:page.html", true}, {u"c:\\dir", true}, {u"ulka:", true},
      {u"dir/a:b", false},  {u"page.html", false},     {u"", false},       {u"/abs/a:b", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HasScheme(c.text), c.scheme) << Utf8(c.text);
}

TEST(JoinUrl, JoinsReferencesToBaseUrls) {
  struct Case {
    const char16_t* base;
    const char16_t* ref;
    const char16_t* url;
  } cases[] = {
      {u"ulka:", u"index.html", u"ulka:index.html"},
      {u"ulka:index.html", u"img/a.png", u"ulka:img/a.png"},
      {u"ulka:sub/page.html", u"a.png", u"ulka:sub/a.png"},
      {u"ulka:sub/page.html?x=1#top", u"#end", u"ulka:sub/page.html#end"},
      {u"net://srv/a/b", u"c", u"net://srv/a/c"},
      {u"ulka:sub/page.html", u"../a.png", u"ulka:sub/../a.png"},
      {u"ulka:page.html", u"img/a.png", u"ulka:img/a.png"},
      {u"ulka:page.html", u"?x=1", u"ulka:page.html?x=1"},
      {u"ulka:page.html?a=1", u"?b=2", u"ulka:page.html?b=2"},
      {u"ulka:sub\\page.html", u"a.png", u"ulka:sub\\a.png"},
      {u"ulka:sub/page.html", u"net://other/x", u"net://other/x"},
      {u"ulka:///index.html", u"img/a.png", u"ulka:///img/a.png"},
      // A query or fragment holding "/" does not move the folder.
      {u"ulka:page.html?next=a/b", u"c.png", u"ulka:c.png"},
      {u"ulka:sub/page.html#x/y", u"c.png", u"ulka:sub/c.png"},
      // References from the root keep the scheme and, where there is one, the authority.
      {u"ulka:index.html", u"/a.png", u"ulka:/a.png"},
      {u"ulka:sub/page.html", u"/a.png", u"ulka:/a.png"},
      {u"ulka:sub/page.html", u"\\a.png", u"ulka:\\a.png"},
      {u"ulka:///sub/page.html", u"/a.png", u"ulka:///a.png"},
      {u"net://srv/a/b", u"/c", u"net://srv/c"},
      {u"net://srv", u"/c", u"net://srv/c"},
      {u"net://srv/a?q=1", u"/c", u"net://srv/c"},
      {u"net://srv/a/b", u"//cdn/x.js", u"net://cdn/x.js"},
      // Bases without a scheme are joined as paths.
      {u"dir/page.html", u"a.png", u"dir/a.png"},
      {u"page.html", u"a.png", u"a.png"},
      {u"", u"a.png", u"a.png"},
      {u"/srv/app/", u"a.png", u"/srv/app/a.png"},
      {u"/srv/app/index.html", u"/a.png", u"/a.png"},
      {u"dir/page.html", u"#top", u"dir/page.html#top"},
      {u"ulka:page.html", u"", u"ulka:"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JoinUrl(c.base, c.ref), c.url) << Utf8(c.base) << " + " << Utf8(c.ref);
}

TEST(FileUrlToPath, AcceptsLocalFileUrlsOnly) {
  EXPECT_EQ(FileUrlToPath(u"file:///tmp/a%20b.txt"), u"/tmp/a b.txt");
  EXPECT_EQ(FileUrlToPath(u"FILE://localhost/tmp/x"), u"/tmp/x");
  EXPECT_EQ(FileUrlToPath(u"file:/tmp/x?q#f"), u"/tmp/x");
  EXPECT_EQ(FileUrlToPath(u"file:///tmp/%C3%A9%zz%4"), u"/tmp/\u00e9%zz%4");
  EXPECT_FALSE(FileUrlToPath(u"file://otherhost/tmp/x"));
  EXPECT_FALSE(FileUrlToPath(u"ulka:/tmp/x"));
  EXPECT_FALSE(FileUrlToPath(u"file:"));
}

class LoadUrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ulka-urls-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ / "a b.txt") << "hello";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(LoadUrlTest, LoadsPlainPathsAndFileUrls) {
  EXPECT_EQ(LoadUrl(Wide((dir_ / "a b.txt").string())), (Bytes{'h', 'e', 'l', 'l', 'o'}));
  EXPECT_EQ(LoadUrl(u"file://" + Wide((dir_ / "a%20b.txt").string())), (Bytes{'h', 'e', 'l', 'l', 'o'}));
  EXPECT_FALSE(LoadUrl(Wide((dir_ / "missing.txt").string())));
  EXPECT_FALSE(LoadUrl(Wide(dir_.string())));  // a folder
  EXPECT_FALSE(LoadUrl(u""));
  EXPECT_FALSE(LoadUrl(u"unknown-scheme:x"));
}

TEST(LoadUrl, UsesTheRegisteredLoaderOfTheScheme) {
  RegisterUrlLoader(u"Test", [](const WideString& url) -> std::optional<Bytes> {
    if (url.find(u"fail") != WideString::npos) throw std::runtime_error("loader failed");
    if (url.find(u"none") != WideString::npos) return std::nullopt;
    return Bytes(url.begin(), url.end());
  });
  EXPECT_EQ(LoadUrl(u"TEST:ab"), (Bytes{'T', 'E', 'S', 'T', ':', 'a', 'b'}));
  EXPECT_FALSE(LoadUrl(u"test:none"));
  EXPECT_FALSE(LoadUrl(u"test:fail"));
  RegisterUrlLoader(u"test", nullptr);
  EXPECT_FALSE(LoadUrl(u"test:ab"));
}

TEST(LoadUrl, RegistryIsSafeAcrossThreads) {
  std::atomic<int> loaded{0};
  auto work = [&](int id) {
    WideString scheme = u"s" + Wide(std::to_string(id));
    for (int i = 0; i < 500; ++i) {
      RegisterUrlLoader(scheme, [](const WideString&) { return std::optional<Bytes>(Bytes{1}); });
      if (LoadUrl(scheme + u":x")) ++loaded;
      RegisterUrlLoader(scheme, nullptr);
    }
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) threads.emplace_back(work, id);
  for (auto& t : threads) t.join();
  EXPECT_EQ(loaded.load(), 2000);
}

}  // namespace
}  // namespace ulka
