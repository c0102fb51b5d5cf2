// Icon groups written into PE executables, checked with pefile and wrestool.
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "runtime/ByteOrder.h"
#include "runtime/ResourceMembers.h"

namespace ulka::test {
namespace {

// The icon wrestool rebuilds from the group `name` of `exe`, cut to `size` bytes (this wrestool
// appends the group resource itself after the icon file it writes).
Bytes ExtractIcon(const TempDir& dir, const std::string& exe, const std::string& name, size_t size) {
  std::string out = dir.File(name + ".ico");
  EXPECT_EQ(Run(std::string(ULKA_WRESTOOL) + " -x --type=14 --name=" + name + " -o " + out + " " + exe), 0);
  Bytes icon = ReadAll(out);
  if (icon.size() > size) icon.resize(size);
  return icon;
}

Bytes IconImage(const Bytes& ico, int index) {
  const uint8_t* e = ico.data() + 6 + 16 * index;
  return Bytes(ico.begin() + Load32(e + 12), ico.begin() + Load32(e + 12) + Load32(e + 8));
}

std::string IconEntry(int id, const Bytes& image) {
  return "[3, " + std::to_string(id) + ", 0, \"" + Hex(image) + "\"]";
}

TEST(IconResources, ReplacingGroupReusesItsIconIdentifiers) {
  TempDir dir;
  std::string exe = CopyFixture("last.exe", dir);
  Bytes icon = ReadAll(Fixture("icon2.ico"));
  ASSERT_TRUE(UpdateResource(exe, Num(14), Text("MAINICON"), Variant::FromBytes(icon), 0));
  EXPECT_EQ(PeCheck(exe, R"({"present": [)" + IconEntry(1, IconImage(icon, 0)) + ", " +
                             IconEntry(2, IconImage(icon, 1)) +
                             R"(], "absent": [[3, 3, 0], [3, 4, 0]], "count": 7})"),
            "");
  EXPECT_EQ(ExtractIcon(dir, exe, "MAINICON", icon.size()), icon);
}

TEST(IconResources, NewGroupNumbersItsIconsFrom50) {
  TempDir dir;
  std::string exe = CopyFixture("plain.exe", dir);
  Bytes icon = ReadAll(Fixture("icon2.ico"));
  ASSERT_TRUE(UpdateResource(exe, Num(3), Text("APP"), Variant::FromBytes(icon), 0));
  EXPECT_EQ(PeCheck(exe, R"({"present": [)" + IconEntry(50, IconImage(icon, 0)) + ", " +
                             IconEntry(51, IconImage(icon, 1)) + R"(], "count": 3})"),
            "");
  EXPECT_EQ(ExtractIcon(dir, exe, "APP", icon.size()), icon);
}

TEST(IconResources, GroupNamesAreMatchedExactly) {
  TempDir dir;
  std::string exe = CopyFixture("last.exe", dir);
  Bytes four = ReadAll(Fixture("icon4.ico"));
  Bytes two = ReadAll(Fixture("icon2.ico"));
  ASSERT_TRUE(UpdateResource(exe, Num(14), Text("mainicon"), Variant::FromBytes(two), 0));
  EXPECT_EQ(PeCheck(exe, R"({"present": [)" + IconEntry(4, IconImage(four, 3)) + ", " +
                             IconEntry(50, IconImage(two, 0)) + ", " + IconEntry(51, IconImage(two, 1)) +
                             R"(], "count": 12})"),
            "");
  EXPECT_EQ(ExtractIcon(dir, exe, "MAINICON", four.size()), four);
}

TEST(IconResources, EmptyOrInconsistentIconFilesChangeNothing) {
  Bytes good = ReadAll(Fixture("icon2.ico"));
  auto patched = [&](size_t at, uint32_t value, int width) {
    Bytes b = good;
    if (width == 2) Store16(b.data() + at, static_cast<uint16_t>(value));
    else Store32(b.data() + at, value);
    return b;
  };
  const std::pair<const char*, Bytes> cases[] = {
      {"no bytes", Bytes()},
      {"short header", Bytes(good.begin(), good.begin() + 4)},
      {"cursor type", patched(2, 2, 2)},
      {"no images", patched(4, 0, 2)},
      {"more entries than the data holds", patched(4, 400, 2)},
      {"image past the end", patched(6 + 12, static_cast<uint32_t>(good.size() - 10), 4)},
      {"offset that wraps", patched(6 + 12, 0xFFFFFFF0u, 4)},
      {"image of no bytes", patched(6 + 8, 0, 4)},
      {"truncated image", Bytes(good.begin(), good.end() - 1)},
  };
  for (const auto& [title, ico] : cases) {
    SCOPED_TRACE(title);
    TempDir dir;
    std::string exe = CopyFixture("last.exe", dir);
    Bytes before = ReadAll(exe);
    EXPECT_FALSE(UpdateResource(exe, Num(14), Text("MAINICON"),
                                ico.empty() ? Variant() : Variant::FromBytes(ico), 0));
    EXPECT_EQ(ReadAll(exe), before);
  }
}

}  // namespace
}  // namespace ulka::test
