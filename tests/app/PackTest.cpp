// ulka-pack: a folder becomes a program that carries it as its package.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/PackageSource.h"
#include "automation/ByteConvert.h"
#include "automation/Unicode.h"
#include "runtime/ResourceMembers.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

int RunCommand(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ulka-pack-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    fs::create_directories(root_ / "app" / "img");
    Put("app/index.html", "<html>packed</html>");
    Put("app/img/a.png", "png bytes");
  }
  void TearDown() override { fs::remove_all(root_); }

  void Put(const std::string& name, const std::string& text) { std::ofstream(root_ / name) << text; }
  std::string Path(const std::string& name) const { return (root_ / name).string(); }
  int Pack(const std::string& options, const std::string& output, std::string* log = nullptr) {
    return RunCommand(std::string(ULKA_PACK) + " " + options + " " + Path("app") + " " + Path(output), log);
  }
  SourceChoice Source(const std::string& program, const PackageKeys& keys) {
    return ChooseSource({Variant(Wide(Path(program))), {}, "/", keys});
  }

  fs::path root_;
};

TEST_F(PackTest, PlainPackageRunsAndReadsItself) {
  std::string log;
  ASSERT_EQ(Pack(std::string("--host ") + ULKA_SCRIPT, "plain", &log), 0) << log;
  SourceChoice source = Source("plain", BuiltInPackageKeys());
  ASSERT_TRUE(source.Zip);
  EXPECT_EQ(source.StartFile, u"index.html");
  auto png = VarToBytes(source.Zip->Extract(u"img/a.png"));
  EXPECT_EQ(std::string(png.begin(), png.end()), "png bytes");

  // The packed program (a copy of the script runner) still runs and finds its own package.
  Put("check.js",
      "var z = rtl.Zip(rtl.LoadRes(rtl.ModuleFileName, 'ulka', 23));\n"
      "rtl.Quit(z.Length == 2 && rtl.Str(z('index.html')) == '<html>packed</html>' ? 0 : 3);\n");
  EXPECT_EQ(RunCommand(Path("plain") + " " + Path("check.js"), &log), 0) << log;
}

TEST_F(PackTest, SealedPackageOpensWithTheBuildsKeysOnly) {
  std::string log;
  ASSERT_EQ(Pack("--seal", "sealed", &log), 0) << log;
  Variant resource = LoadResource(Variant(Wide(Path("sealed"))), Variant(WideString(u"ULKA")), Variant(int32_t{23}), 0);
  ASSERT_TRUE(resource.IsByteArray());
  EXPECT_EQ(std::string(resource.ByteSpan().begin(), resource.ByteSpan().begin() + 4), "ULKA");

  SourceChoice source = Source("sealed", BuiltInPackageKeys());
  ASSERT_TRUE(source.Zip);
  EXPECT_EQ(source.StartFile, u"index.html");
  // The program is a copy of the stripped host (no symbol table, no debug information), its
  // package intact behind it.
  std::string sections;
  ASSERT_EQ(RunCommand("readelf -S --wide " + Path("sealed"), &sections), 0);
  EXPECT_NE(sections.find(".text"), std::string::npos);
  EXPECT_EQ(sections.find(".symtab"), std::string::npos);
  EXPECT_EQ(sections.find(".debug_info"), std::string::npos);

  PackageKeys other = BuiltInPackageKeys();
  other.Key = u"AAAAAAAAAAAAAAAAAAAAAA==";
  EXPECT_FALSE(Source("sealed", other));
}

TEST_F(PackTest, IconGoesInAsTheMainIcon) {
  std::string log;
  ASSERT_EQ(Pack(std::string("--icon ") + ULKA_ICON_FIXTURE, "iconic", &log), 0) << log;
  Variant group = LoadResource(Variant(Wide(Path("iconic"))), Variant(WideString(u"MAINICON")), Variant(int32_t{14}), 0);
  EXPECT_EQ(group.ByteSpan().size(), 6u + 2 * 14);
  EXPECT_TRUE(Source("iconic", BuiltInPackageKeys()));
}

TEST_F(PackTest, RefusesWhatWouldNotStart) {
  Put("bad.ico", "not an icon");
  EXPECT_NE(Pack("--icon " + Path("bad.ico"), "bad-icon"), 0);
  EXPECT_NE(Pack("--keys " + Path("bad.ico") + " --seal", "bad-keys"), 0);
  fs::remove(root_ / "app" / "index.html");
  EXPECT_NE(Pack("", "no-page"), 0);
  EXPECT_FALSE(fs::exists(root_ / "no-page"));
}

}  // namespace
}  // namespace ulka
