// The extension a stand-alone program carries, unpacked into a private folder: real folders,
// links, modes and owners, and several threads unpacking at once.
#include <gtest/gtest.h>

#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "web/bridge/CarriedExtension.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

Bytes Compress(const Bytes& bytes) {
  Bytes out(lzma_stream_buffer_bound(bytes.size()));
  size_t size = 0;
  EXPECT_EQ(lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, bytes.data(), bytes.size(), out.data(), &size,
                                    out.size()),
            LZMA_OK);
  out.resize(size);
  return out;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

ino_t InodeOf(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class CarriedExtensionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ulka-carried-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    for (int i = 0; i < 200000; ++i) library_.push_back(static_cast<uint8_t>((i * 7919) >> 5));
    packed_ = Compress(library_);
    fs::create_directories(Base("a"));
    fs::create_directories(Base("b"));
    fs::permissions(root_, fs::perms::owner_all);
    fs::permissions(Base("a"), fs::perms::owner_all);
    fs::permissions(Base("b"), fs::perms::owner_all);
    std::string other = (fs::temp_directory_path() / "ulka-carried-XXXXXX").string();
    fallback_ = ::mkdtemp(other.data());
  }
  void TearDown() override {
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_, ignored))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
    fs::remove_all(fallback_, ignored);
  }

  std::string Base(const std::string& name) const { return (root_ / name).string(); }
  PlacedExtension Place(const std::vector<std::string>& bases) { return PlaceCarriedExtension(packed_, bases); }
  std::string Library() const { return std::string(library_.begin(), library_.end()); }

  fs::path root_;
  fs::path fallback_;  // a safe base apart from root_
  Bytes library_;
  Bytes packed_;
};

TEST_F(CarriedExtensionTest, UnpacksIntoPrivateFoldersNamedByItsHash) {
  const PlacedExtension placed = Place({Base("a"), Base("b")});
  ASSERT_EQ(placed.error, "");
  const fs::path folder = placed.directory;
  EXPECT_EQ(folder.parent_path(), root_ / "a" / "ulka-extension");
  EXPECT_EQ(folder.filename().string().size(), 64u);
  EXPECT_EQ(ReadText(folder / kExtensionFileName), Library());
  EXPECT_EQ(ModeOf(folder.parent_path()), 0700u);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(folder / kExtensionFileName), 0500u);
  // Only the library: no temporary file is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  // Another library goes into a folder of its own beside the first.
  library_.push_back(1);
  packed_ = Compress(library_);
  const PlacedExtension other = Place({Base("a")});
  EXPECT_EQ(fs::path(other.directory).parent_path(), folder.parent_path());
  EXPECT_NE(other.directory, placed.directory);
}

TEST_F(CarriedExtensionTest, ReusesARightCopyAndReplacesAWrongOne) {
  const fs::path file = fs::path(Place({Base("a")}).directory) / kExtensionFileName;
  const ino_t first = InodeOf(file);
  EXPECT_EQ(Place({Base("a")}).error, "");
  EXPECT_EQ(InodeOf(file), first) << "a right copy was written again";

  struct Damage {
    const char* what;
    std::function<void()> apply;
  };
  const Damage damages[] = {
      {"cut short", [&] { fs::resize_file(file, 1000); }},
      {"same size, other bytes", [&] { std::ofstream(file, std::ios::binary | std::ios::in) << "XXXX"; }},
      {"a link to the right bytes elsewhere",
       [&] {
         std::ofstream(root_ / "copy.so", std::ios::binary) << Library();
         fs::remove(file);
         fs::create_symlink(root_ / "copy.so", file);
       }},
      {"a folder", [&] {
         fs::remove(file);
         fs::create_directory(file);
       }},
  };
  for (const Damage& damage : damages) {
    fs::permissions(file.parent_path(), fs::perms::owner_all);
    if (fs::is_regular_file(fs::symlink_status(file))) fs::permissions(file, fs::perms::owner_all);
    damage.apply();
    const PlacedExtension placed = Place({Base("a")});
    if (fs::is_directory(fs::symlink_status(file))) {
      // A folder in the way is not removed: the place is refused and said so.
      EXPECT_NE(placed.error.find("cannot write " + file.string()), std::string::npos) << damage.what << placed.error;
      fs::remove(file);
      continue;
    }
    EXPECT_EQ(placed.error, "") << damage.what;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << damage.what;
    EXPECT_EQ(ReadText(file), Library()) << damage.what;
  }
}

// A base with a folder another user could change is passed over for the next base.
TEST_F(CarriedExtensionTest, NeverUsesAFolderOthersCanChange) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& base)> prepare;
    std::string message;
  };
  const Case cases[] = {
      {"a base all may write", [](const fs::path& base) { fs::permissions(base, fs::perms::all); },
       "is not private: " + Base("a") + " can be written by other users"},
      {"a base whose parent all may write",
       [this](const fs::path&) { fs::permissions(root_, fs::perms::all); },
       "is not private: " + root_.string() + " can be written by other users"},
      {"a base the group may write",
       [](const fs::path& base) { fs::permissions(base, fs::perms::owner_all | fs::perms::group_write); },
       "can be written by other users"},
      {"the private folder a link to a folder of ours",
       [this](const fs::path& base) {
         fs::create_directory(root_ / "elsewhere");
         fs::create_directory_symlink(root_ / "elsewhere", base / "ulka-extension");
       },
       Base("a") + "/ulka-extension is not a folder (a link or a file)"},
      {"the private folder a file", [](const fs::path& base) { std::ofstream(base / "ulka-extension") << "x"; },
       "ulka-extension is not a folder"},
      {"the private folder open to all",
       [](const fs::path& base) {
         fs::create_directory(base / "ulka-extension");
         fs::permissions(base / "ulka-extension", fs::perms::all);
       },
       Base("a") + "/ulka-extension can be written by other users (remove it)"},
      {"a missing base under a file", [](const fs::path& base) {
         fs::remove(base);
         std::ofstream(base) << "a file";
       },
       ""},
  };
  for (const Case& c : cases) {
    fs::remove_all(root_ / "a");
    fs::remove_all(root_ / "elsewhere");
    fs::create_directory(root_ / "a");
    fs::permissions(root_, fs::perms::owner_all);
    fs::permissions(root_ / "a", fs::perms::owner_all);
    c.prepare(root_ / "a");
    const std::string base = c.what == std::string("a missing base under a file") ? Base("a") + "/cache" : Base("a");
    const PlacedExtension refused = Place({base});
    EXPECT_EQ(refused.directory, "") << c.what;
    EXPECT_EQ(refused.error.rfind("cannot unpack the web extension: " + base + " ", 0), 0u) << c.what << ": " << refused.error;
    EXPECT_NE(refused.error.find(c.message), std::string::npos) << c.what << ": " << refused.error;
    const PlacedExtension placed = Place({base, fallback_.string()});
    EXPECT_EQ(placed.error, "") << c.what;
    EXPECT_EQ(fs::path(placed.directory).parent_path(), fallback_ / "ulka-extension") << c.what;
  }
  EXPECT_FALSE(fs::exists(root_ / "elsewhere" / "libulkaextension.so"));
}

// Folders of its own that only lack the exact mode are made private; a base all may write counts
// when its sticky bit keeps others' entries apart, as in /tmp.
TEST_F(CarriedExtensionTest, TightensItsOwnFoldersAndTakesAStickyBase) {
  fs::create_directory(root_ / "a" / "ulka-extension");
  fs::permissions(root_ / "a" / "ulka-extension", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read |
                                                      fs::perms::group_exec | fs::perms::others_exec);
  PlacedExtension placed = Place({Base("a")});
  ASSERT_EQ(placed.error, "");
  EXPECT_EQ(ModeOf(root_ / "a" / "ulka-extension"), 0700u);

  fs::permissions(root_ / "b", fs::perms::all | fs::perms::sticky_bit);
  placed = Place({Base("b")});
  EXPECT_EQ(placed.error, "");
}

// Folders that belong to another user are refused (the test makes them as root only).
TEST_F(CarriedExtensionTest, RefusesFoldersOfAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a folder of another user takes root";
  constexpr uid_t kNobody = 65534;
  const fs::path top = root_ / "a" / "ulka-extension";
  fs::create_directory(top);
  fs::permissions(top, fs::perms::owner_all);
  ASSERT_EQ(::chown(top.c_str(), kNobody, kNobody), 0);
  PlacedExtension placed = Place({Base("a")});
  EXPECT_NE(placed.error.find(top.string() + " belongs to another user"), std::string::npos) << placed.error;

  ASSERT_EQ(::chown(top.c_str(), 0, 0), 0);
  ASSERT_EQ(::chown((root_ / "b").c_str(), kNobody, kNobody), 0);
  placed = Place({Base("b")});
  EXPECT_NE(placed.error.find("is not private: " + Base("b") + " belongs to another user"), std::string::npos)
      << placed.error;

  // A library of another user's in our folder is replaced, not used.
  placed = Place({Base("a")});
  ASSERT_EQ(placed.error, "");
  const fs::path file = fs::path(placed.directory) / kExtensionFileName;
  ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
  placed = Place({Base("a")});
  EXPECT_EQ(placed.error, "");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 0u);
}

TEST_F(CarriedExtensionTest, SeveralStartsAtOnceEachGetAWholeCopy) {
  constexpr int kStarts = 8;
  std::vector<PlacedExtension> results(kStarts);
  std::vector<std::thread> threads;
  for (int i = 0; i < kStarts; ++i)
    threads.emplace_back([&, i] { results[i] = PlaceCarriedExtension(packed_, {Base("a")}); });
  for (std::thread& t : threads) t.join();
  for (const PlacedExtension& placed : results) {
    EXPECT_EQ(placed.error, "");
    EXPECT_EQ(placed.directory, results[0].directory);
  }
  EXPECT_EQ(ReadText(fs::path(results[0].directory) / kExtensionFileName), Library());
  EXPECT_EQ(std::distance(fs::directory_iterator(results[0].directory), fs::directory_iterator()), 1);
}

TEST_F(CarriedExtensionTest, DamagedOrOversizedDataIsRefused) {
  Bytes cut(packed_.begin(), packed_.begin() + packed_.size() / 2);
  Bytes flipped = packed_;
  flipped[flipped.size() / 2] ^= 0x55;
  const std::pair<const char*, Bytes> cases[] = {
      {"nothing", {}}, {"cut short", cut}, {"a changed byte", flipped}, {"not xz", Bytes(100, 'x')}};
  for (const auto& [what, packed] : cases) {
    const PlacedExtension placed = PlaceCarriedExtension(packed, {Base("a")});
    EXPECT_EQ(placed.directory, "") << what;
    EXPECT_EQ(placed.error.rfind("the web extension the program carries cannot be unpacked: ", 0), 0u)
        << what << ": " << placed.error;
  }
  EXPECT_FALSE(fs::exists(root_ / "a" / "ulka-extension"));

  Bytes library;
  std::string error;
  EXPECT_FALSE(UnpackExtension(packed_, library, error, 1000));
  EXPECT_EQ(error, "it unpacks to more than the limit");
  EXPECT_TRUE(UnpackExtension(packed_, library, error));
  EXPECT_EQ(library, library_);
}

TEST_F(CarriedExtensionTest, NoBaseAtAllIsSaid) {
  EXPECT_EQ(Place({}).error, "there is no folder to unpack the web extension into (no XDG_RUNTIME_DIR, no home)");
  EXPECT_NE(Place({"relative/path"}).error.find("relative/path is not an absolute path"), std::string::npos);
}

}  // namespace
}  // namespace ulka
