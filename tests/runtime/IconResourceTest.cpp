// Icon groups written into PE executables, checked with pefile and wrestool.
#include <gtest/gtest.h>

#include <filesystem>

#include "ResourceTestSupport.h"
#include "runtime/ByteOrder.h"
#include "runtime/IconGroup.h"
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

// An icon file of PNG images, as modern icons are: a 256-pixel entry (width and height 0) and a
// small one; the images' bytes begin as PNG files do.
Bytes PngIcon() {
  const Bytes signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes big = signature, small = signature;
  Bytes bigRest = Pattern(3000, 7), smallRest = Pattern(200, 9);
  big.insert(big.end(), bigRest.begin(), bigRest.end());
  small.insert(small.end(), smallRest.begin(), smallRest.end());
  Bytes ico(6 + 2 * 16);
  Store16(ico.data() + 2, 1);
  Store16(ico.data() + 4, 2);
  const Bytes* images[] = {&big, &small};
  const uint8_t sides[] = {0, 16};
  for (int i = 0; i < 2; ++i) {
    uint8_t* e = ico.data() + 6 + 16 * i;
    e[0] = e[1] = sides[i];
    Store16(e + 4, 1);
    Store16(e + 6, 32);
    Store32(e + 8, static_cast<uint32_t>(images[i]->size()));
    Store32(e + 12, static_cast<uint32_t>(ico.size()));
    ico.insert(ico.end(), images[i]->begin(), images[i]->end());
  }
  return ico;
}

// The icon a stand-alone program carries reads back as the file written, for bitmap and PNG
// images alike; a program without one answers nothing.
TEST(IconResources, ProgramIconReadsBackFromAnElfProgram) {
  TempDir dir;
  const std::string program = dir.File("program");
  std::filesystem::copy_file(ULKA_RES_PROBE, program);
  EXPECT_TRUE(LoadIconFileFromFile(program, ResId::Text(u"MAINICON")).empty());
  for (const Bytes& icon : {ReadAll(Fixture("icon4.ico")), PngIcon()}) {
    ASSERT_TRUE(UpdateResource(program, Num(14), Text("MAINICON"), Variant::FromBytes(icon), 0));
    EXPECT_EQ(LoadIconFileFromFile(program, ResId::Text(u"mainicon")), icon);
  }
  EXPECT_TRUE(LoadIconFileFromFile(program, ResId::Text(u"OTHER")).empty());
  EXPECT_TRUE(LoadIconFileFromFile(dir.File("missing"), ResId::Text(u"MAINICON")).empty());
}

TEST(IconResources, IconFileFromAGroupLeavesOutWhatIsMissing) {
  const Bytes icon = PngIcon();
  const IconFile parsed = *ParseIconFile(icon);
  const uint16_t ids[] = {7, 8};
  const Bytes group = BuildIconGroup(parsed, ids);
  auto only8 = [&](uint16_t id) -> std::optional<std::span<const uint8_t>> {
    if (id == 8) return parsed.entries[1].image;
    return std::nullopt;
  };
  const Bytes single = BuildIconFile(group, only8);
  ASSERT_EQ(single.size(), 6u + 16 + parsed.entries[1].image.size());
  EXPECT_EQ(Load16(single.data() + 4), 1u);
  EXPECT_EQ(single[6], 16);
  EXPECT_EQ(Load32(single.data() + 6 + 12), 22u);
  auto none = [](uint16_t) -> std::optional<std::span<const uint8_t>> { return std::nullopt; };
  EXPECT_TRUE(BuildIconFile(group, none).empty());
  Bytes cut(group.begin(), group.end() - 1);
  EXPECT_TRUE(BuildIconFile(cut, only8).empty()) << "a group cut short";
  Bytes cursor = group;
  Store16(cursor.data() + 2, 2);
  EXPECT_TRUE(BuildIconFile(cursor, only8).empty()) << "a cursor group";
}

}  // namespace
}  // namespace ulka::test
