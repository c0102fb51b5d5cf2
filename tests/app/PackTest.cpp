// ulka-pack: a folder becomes a program that carries it as its package.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

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
  std::string Read(const std::string& name) const {
    std::ifstream in(root_ / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
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

// A PNG becomes an .ico of PNG images, the picture fitted into squares of 16 and 32 pixels and of
// the larger sizes up to its own (48 for a 60 by 30 picture).
TEST_F(PackTest, PngIconGoesInAsAnIcoOfPngImages) {
  std::string log;
  ASSERT_EQ(RunCommand("convert -size 60x30 xc:'#20c040' " + Path("icon.png"), &log), 0) << log;
  ASSERT_EQ(Pack("--icon " + Path("icon.png"), "png-icon", &log), 0) << log;
  const std::vector<uint8_t> ico = LoadIconFileFromFile(Path("png-icon"), ResId::Text(u"MAINICON"));
  ASSERT_GE(ico.size(), 6u);
  ASSERT_EQ(ico[4], 3) << "entries";
  const uint8_t sides[] = {16, 32, 48};
  for (int i = 0; i < 3; ++i) {
    const uint8_t* entry = ico.data() + 6 + 16 * i;
    EXPECT_EQ(entry[0], sides[i]);
    EXPECT_EQ(entry[1], sides[i]);
    const uint32_t offset = entry[12] | entry[13] << 8 | entry[14] << 16 | uint32_t{entry[15]} << 24;
    ASSERT_LT(offset + 8, ico.size());
    EXPECT_EQ(std::string(ico.begin() + offset + 1, ico.begin() + offset + 4), "PNG") << "entry " << i;
  }
  EXPECT_TRUE(Source("png-icon", BuiltInPackageKeys()));
}

TEST_F(PackTest, RefusesWhatWouldNotStart) {
  Put("bad.ico", "not an icon");
  EXPECT_NE(Pack("--icon " + Path("bad.ico"), "bad-icon"), 0);
  EXPECT_FALSE(fs::exists(root_ / "bad-icon"));
  EXPECT_NE(Pack("--keys " + Path("bad.ico") + " --seal", "bad-keys"), 0);
  EXPECT_FALSE(fs::exists(root_ / "bad-keys"));
  fs::remove(root_ / "app" / "index.html");
  EXPECT_NE(Pack("", "no-page"), 0);
  EXPECT_FALSE(fs::exists(root_ / "no-page"));
}

// Every bad argument: exit code 1, one clear line on standard error, nothing written.
TEST_F(PackTest, EveryBadArgumentIsRefusedWithAClearMessage) {
  Put("bad.ico", "not an icon");
  Put("note.txt", "a file");
  Put("incomplete.key", "PublicKey=abc\n");
  fs::create_directories(root_ / "empty");
  fs::create_directories(root_ / "out-folder");
  const std::string app = Path("app"), out = Path("out");
  struct Case {
    std::string arguments;
    std::string message;
  };
  const Case cases[] = {
      {"", "name the folder to pack and the program to write"},
      {app, "name the program to write after the folder"},
      {app + " " + out + " extra", "too many arguments: extra"},
      {"--frobnicate " + app + " " + out, "unknown option --frobnicate"},
      {app + " " + out + " --icon", "--icon needs an icon file"},
      {app + " " + out + " --host", "--host needs a program"},
      {app + " " + out + " --keys", "--keys needs a key file"},
      {"--deb", "--deb needs a package name"},
      {Path("missing") + " " + out, "cannot find the folder " + Path("missing")},
      {Path("note.txt") + " " + out, "is a file, not a folder"},
      {Path("empty") + " " + out, "no files in " + Path("empty")},
      {app + " " + Path("out-folder"), "is a folder: name the program to write"},
      {"--icon " + Path("missing.ico") + " " + app + " " + out, "cannot find the icon"},
      {"--icon " + Path("bad.ico") + " " + app + " " + out, "is not a usable icon file"},
      {"--host " + Path("missing-host") + " " + app + " " + out, "cannot find the host program"},
      {"--seal --keys " + Path("missing.key") + " " + app + " " + out, "cannot find the key file"},
      {"--seal --keys " + Path("incomplete.key") + " " + app + " " + out, "is not a complete key set"},
      {"--deb Bad_Name " + app, "is not a Debian package name"},
      {"--deb x " + app, "is not a Debian package name"},
      {"--deb good --maintainer nobody " + app, "is not a name and mail address"},
      {"--maintainer \"A <a@b.org>\" " + app + " " + out, "--maintainer goes with --deb"},
  };
  for (const Case& c : cases) {
    std::string log;
    EXPECT_EQ(RunCommand(std::string(ULKA_PACK) + " " + c.arguments, &log), 1) << c.arguments << "\n" << log;
    EXPECT_EQ(log.rfind("ulka-pack: ", 0), 0u) << c.arguments << "\n" << log;
    EXPECT_NE(log.find(c.message), std::string::npos) << c.arguments << "\n" << log;
    EXPECT_EQ(log.find("At Line"), std::string::npos) << "a script error instead of a message: " << log;
    EXPECT_FALSE(fs::exists(root_ / "out")) << c.arguments;
  }
}

TEST_F(PackTest, HelpAndVersionExitCleanly) {
  for (const char* option : {"--help", "-h", "--version"}) {
    std::string log;
    EXPECT_EQ(RunCommand(std::string(ULKA_PACK) + " " + option, &log), 0) << option << "\n" << log;
    EXPECT_NE(log.find(std::string(option) == "--version" ? "ulka-pack 1.0" : "usage: ulka-pack"), std::string::npos)
        << log;
  }
}

// A large package reports each step and its sealing in per cent, and opens like any other: the
// chunked encryption gives what one pass gives.
TEST_F(PackTest, SealingReportsProgressAndStillOpens) {
  std::string big(3 << 20, '\0');
  uint32_t x = 2463534242u;
  for (char& c : big) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  Put("app/big.bin", big);
  std::string log;
  ASSERT_EQ(Pack("--seal", "sealed-big", &log), 0) << log;
  for (const char* step : {"ulka-pack: packing ", "start page index.html", "sealing 3.0 MB: 30%", "sealing 3.0 MB: 60%",
                           "sealing 3.0 MB: 100%", "ulka-pack: signing", "ulka-pack: writing "}) {
    EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
  }
  SourceChoice source = Source("sealed-big", BuiltInPackageKeys());
  ASSERT_TRUE(source.Zip);
  auto bytes = VarToBytes(source.Zip->Extract(u"big.bin"));
  EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == big);
  EXPECT_EQ(fs::status(root_ / "sealed-big").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
}

// Sealing with the public development key set says, on standard error, that anyone can make
// packages the program accepts; a key set of one's own seals without a word of it.
TEST_F(PackTest, SealingWithTheDevelopmentKeySetWarns) {
  const std::string warning = "ulka-pack: warning: sealed with the public development key set";
  std::string out;
  ASSERT_EQ(RunCommand("{ " + std::string(ULKA_PACK) + " --seal " + Path("app") + " " + Path("dev") + " 2>" +
                           Path("dev.err") + "; }", &out), 0) << out;
  const std::string stderrText = Read("dev.err");
  EXPECT_NE(stderrText.find(warning), std::string::npos) << stderrText;
  EXPECT_NE(stderrText.find("anyone can make packages that this program accepts"), std::string::npos) << stderrText;
  EXPECT_EQ(out.find("warning"), std::string::npos) << "the warning went to standard output: " << out;
  EXPECT_TRUE(Source("dev", BuiltInPackageKeys()));

  ASSERT_EQ(RunCommand("ULKA_SCRIPT=" + std::string(ULKA_SCRIPT) + " " + ULKA_MAKE_KEYS + " " + Path("own.key"), &out), 0)
      << out;
  std::string log;
  ASSERT_EQ(Pack("--seal --keys " + Path("own.key"), "own", &log), 0) << log;
  EXPECT_EQ(log.find("warning"), std::string::npos) << log;
  // Not opened by a program built with the development key set.
  EXPECT_FALSE(Source("own", BuiltInPackageKeys()));
}

// A key set is readable by its owner only, whatever the umask, and never overwritten.
TEST_F(PackTest, MakeKeysWritesAPrivateFileAndNeverReplacesOne) {
  const std::string makeKeys = "umask 022; ULKA_SCRIPT=" + std::string(ULKA_SCRIPT) + " " + ULKA_MAKE_KEYS + " ";
  std::string log;
  ASSERT_EQ(RunCommand(makeKeys + Path("new.key"), &log), 0) << log;
  struct stat info {};
  ASSERT_EQ(::stat(Path("new.key").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  const std::string first = Read("new.key");
  EXPECT_NE(first.find("PrivateKey="), std::string::npos);

  EXPECT_EQ(RunCommand(makeKeys + Path("new.key"), &log), 1);
  EXPECT_NE(log.find("make-keys: " + Path("new.key") + " already exists"), std::string::npos) << log;
  EXPECT_EQ(Read("new.key"), first);
  EXPECT_EQ(RunCommand(makeKeys + Path("app"), &log), 1) << "a folder is taken for a key file: " << log;
}

}  // namespace
}  // namespace ulka
