#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "ExpectFailure.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;
using test::FailsWith;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ulka-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code error;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(dir_, error);
  }
  WideString Path(const std::string& name) const { return Wide((dir_ / name).string()); }
  std::string Contents(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  size_t EntryCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

TEST_F(FilesTest, MissingFileAnswersFalseAndEmptiesTheBuffer) {
  Bytes bytes = {1, 2, 3};
  EXPECT_FALSE(ReadFileBytes(Path("missing.bin"), bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(ReadFileBytes(Path("missing-folder/a.bin"), bytes));
}

TEST_F(FilesTest, WrittenBytesReadBackExactly) {
  // Sizes around the reader's one-megabyte pieces, and one large enough for huge pages.
  for (size_t size : {size_t{100000}, size_t{1} << 20, (size_t{1} << 20) + 1, 3 * (size_t{1} << 20) - 7, size_t{9} << 20}) {
    Bytes data(size);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 4099);
    ASSERT_TRUE(WriteFileBytes(Path("data.bin"), data)) << size;
    Bytes read;
    ASSERT_TRUE(ReadFileBytes(Path("data.bin"), read)) << size;
    EXPECT_TRUE(read == data) << size;
  }
}

TEST_F(FilesTest, EmptyBufferGivesEmptyFile) {
  ASSERT_TRUE(WriteFileBytes(Path("empty.bin"), Bytes{}));
  EXPECT_TRUE(fs::exists(dir_ / "empty.bin"));
  Bytes read = {9};
  EXPECT_TRUE(ReadFileBytes(Path("empty.bin"), read));
  EXPECT_TRUE(read.empty());
}

TEST_F(FilesTest, CreatesMissingParentFolders) {
  ASSERT_TRUE(WriteFileBytes(Path("a/b/c/file.txt"), Bytes{'x'}));
  EXPECT_EQ(Contents("a/b/c/file.txt"), "x");
}

TEST_F(FilesTest, ReplacesExistingFileKeepingItsModeAndLeavesNoTemporaryFile) {
  ASSERT_TRUE(WriteFileBytes(Path("f.txt"), Bytes{'o', 'l', 'd', '!'}));
  fs::permissions(dir_ / "f.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(WriteFileBytes(Path("f.txt"), Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(Contents("f.txt"), "new");
  EXPECT_EQ(fs::status(dir_ / "f.txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(EntryCount(), 1u);
}

// A link where the file should be is replaced by the file; whatever it pointed to, a file the
// user can write, a name not yet there, or a folder, stays as it was.
TEST_F(FilesTest, WritingToASymbolicLinkReplacesTheLinkNotItsTarget) {
  ASSERT_TRUE(WriteFileBytes(Path("target.txt"), Bytes{'1'}));
  fs::permissions(dir_ / "target.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_directory(dir_ / "folder");
  fs::create_symlink(dir_ / "target.txt", dir_ / "link.txt");
  fs::create_symlink(dir_ / "absent.txt", dir_ / "dangling.txt");
  fs::create_symlink(dir_ / "folder", dir_ / "folder-link");
  for (const char* link : {"link.txt", "dangling.txt", "folder-link"}) {
    ASSERT_TRUE(WriteFileBytes(Path(link), Bytes{'2'})) << link;
    EXPECT_FALSE(fs::is_symlink(dir_ / link)) << link;
    EXPECT_TRUE(fs::is_regular_file(dir_ / link)) << link;
    EXPECT_EQ(Contents(link), "2") << link;
  }
  EXPECT_EQ(Contents("target.txt"), "1");
  EXPECT_FALSE(fs::exists(dir_ / "absent.txt"));
  EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
  // The replacement keeps the mode of the file the link named.
  EXPECT_EQ(fs::status(dir_ / "link.txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(EntryCount(), 5u);  // no temporary file left
}

// The runtime's other writers (resources, archives, documents) use the same replacement.
TEST_F(FilesTest, ReplaceFileWritesThePartsInOrderAndReplacesALink) {
  ASSERT_TRUE(WriteFileBytes(Path("target.bin"), Bytes{'o', 'l', 'd'}));
  fs::create_symlink(dir_ / "target.bin", dir_ / "link.bin");
  const Bytes first = {'a', 'b'}, second = {}, third = {'c'};
  const std::span<const uint8_t> parts[] = {first, second, third};
  ASSERT_TRUE(ReplaceFile((dir_ / "link.bin").string(), parts));
  EXPECT_EQ(Contents("link.bin"), "abc");
  EXPECT_FALSE(fs::is_symlink(dir_ / "link.bin"));
  EXPECT_EQ(Contents("target.bin"), "old");
  EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(FilesTest, LongestFileNamesCanBeReplaced) {
  const std::string name(255, 'n');
  ASSERT_TRUE(WriteFileBytes(Path(name), Bytes{'1'}));
  ASSERT_TRUE(WriteFileBytes(Path(name), Bytes{'2'}));
  EXPECT_EQ(Contents(name), "2");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FilesTest, WriteThatCannotCreateTheFileAnswersFalse) {
  fs::create_directory(dir_ / "folder");
  ASSERT_TRUE(WriteFileBytes(Path("plain"), Bytes{'p'}));
  EXPECT_FALSE(WriteFileBytes(Path("folder"), Bytes{'x'}));        // a folder is in the way
  EXPECT_FALSE(WriteFileBytes(Path("plain/child.txt"), Bytes{'x'}));  // a file is in the way
  EXPECT_FALSE(WriteFileBytes(u"", Bytes{'x'}));
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
  EXPECT_EQ(Contents("plain"), "p");
  EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(FilesTest, FailedWriteKeepsTheOldFileWhole) {
  ASSERT_TRUE(WriteFileBytes(Path("keep.txt"), Bytes{'o', 'l', 'd'}));
  // A file size limit makes the write itself fail part-way, whoever runs the test.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit oldLimit{};
  getrlimit(RLIMIT_FSIZE, &oldLimit);
  rlimit small = oldLimit;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  bool written = WriteFileBytes(Path("keep.txt"), Bytes(5000, 'x'));
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(Contents("keep.txt"), "old");
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FilesTest, ExistingButUnreadablePathsFailWithRangeCheckError) {
  fs::create_directory(dir_ / "folder");
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  for (const char* name : {"folder", "pipe"}) {
    Bytes bytes;
    EXPECT_TRUE(FailsWith([&] { ReadFileBytes(Path(name), bytes); }, msg::kRangeCheckError)) << name;
  }
  Bytes bytes;
  EXPECT_TRUE(FailsWith([&] { ReadFileBytes(u"/dev/null", bytes); }, msg::kRangeCheckError));
}

TEST_F(FilesTest, OpenRegularFileOpensOnlyRegularFilesAndNeverBlocks) {
  ASSERT_TRUE(WriteFileBytes(Path("plain"), Bytes{'p'}));
  fs::create_directory(dir_ / "folder");
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  fs::create_symlink(dir_ / "pipe", dir_ / "pipe-link");
  fs::create_symlink(dir_ / "plain", dir_ / "plain-link");
  for (bool forUpdate : {false, true}) {
    EXPECT_TRUE(OpenRegularFile((dir_ / "plain").string(), forUpdate));
    EXPECT_TRUE(OpenRegularFile((dir_ / "plain-link").string(), forUpdate));
    for (const char* name : {"folder", "pipe", "pipe-link"}) {
      errno = 0;
      EXPECT_FALSE(OpenRegularFile((dir_ / name).string(), forUpdate)) << name;
      EXPECT_EQ(errno, EINVAL) << name;
    }
    EXPECT_FALSE(OpenRegularFile("/dev/null", forUpdate));
    EXPECT_FALSE(OpenRegularFile((dir_ / "missing").string(), forUpdate));
    EXPECT_EQ(errno, ENOENT);
  }
  // The descriptor blocks again once open: reading waits for data as on any file.
  FileDescriptor fd = OpenRegularFile((dir_ / "plain").string());
  EXPECT_EQ(fcntl(fd.get(), F_GETFL) & O_NONBLOCK, 0);
}

TEST_F(FilesTest, FileWithoutReadPermissionFailsWithRangeCheckError) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  ASSERT_TRUE(WriteFileBytes(Path("secret"), Bytes{'s'}));
  fs::permissions(dir_ / "secret", fs::perms::none);
  Bytes bytes;
  EXPECT_TRUE(FailsWith([&] { ReadFileBytes(Path("secret"), bytes); }, msg::kRangeCheckError));
}

TEST(Files, FileWhoseReadFailsFailsWithRangeCheckError) {
  // Opens for anyone, root included, and fails on the first read at offset 0.
  Bytes bytes;
  EXPECT_TRUE(FailsWith([&] { ReadFileBytes(u"/proc/self/mem", bytes); }, msg::kRangeCheckError));
  EXPECT_TRUE(bytes.empty());
}

TEST(Files, ReadsFilesThatReportNoSize) {
  Bytes bytes;
  ASSERT_TRUE(ReadFileBytes(u"/proc/self/status", bytes));
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("Pid:"), std::string::npos);
}

TEST(Files, ModuleFileIsThisTestProgram) {
  fs::path module(Utf8(GetModuleFile()));
  EXPECT_TRUE(module.is_absolute());
  EXPECT_EQ(module.filename(), "automation_utils_tests");
}

TEST(ShellOpen, DoesNothingUntilTheHandlerIsInstalled) {
  EXPECT_FALSE(ShellOpen(u"https://example.org/"));
  WideString opened;
  int window = 0;
  void* owner = nullptr;
  SetShellOpenHandler([&](const WideString& name, void* w) {
    opened = name;
    owner = w;
    return true;
  });
  EXPECT_TRUE(ShellOpen(u"/tmp/doc.txt", &window));
  EXPECT_EQ(opened, u"/tmp/doc.txt");
  EXPECT_EQ(owner, &window);
  SetShellOpenHandler(nullptr);
  EXPECT_FALSE(ShellOpen(u"/tmp/doc.txt"));
}

}  // namespace
}  // namespace ulka
