// Resources appended to an ELF executable: the copy still runs and finds them.
#include <gtest/gtest.h>

#include <filesystem>

#include "ResourceTestSupport.h"
#include "runtime/ResourceMembers.h"

namespace ulka::test {
namespace {

std::string CopyProbe(const TempDir& dir) {
  std::string copy = dir.File("probe");
  std::filesystem::copy_file(ULKA_RES_PROBE, copy);
  return copy;
}

// The probe's two lines: the resource found by module handle, then by file name.
std::string RunProbe(const std::string& probe, const char* name) {
  std::string output;
  EXPECT_EQ(Run(probe + " " + name, &output), 0);
  return output;
}

std::string Expected(const Bytes& data) {
  std::string line = std::to_string(data.size()) + " " + Hex(Bytes(data.begin(), data.begin() + std::min<size_t>(64, data.size()))) + "\n";
  return line + line;
}

TEST(ElfResources, CopyWithPackageRunsAndReadsItsOwnResource) {
  TempDir dir;
  std::string probe = CopyProbe(dir);
  size_t programSize = ReadAll(probe).size();
  EXPECT_EQ(RunProbe(probe, "ULKA"), "none\nnone\n");

  Bytes big = Pattern(70000, 3);
  ASSERT_TRUE(UpdateResource(probe, Num(23), Text("ULKA"), Variant::FromBytes(big), 0));
  EXPECT_EQ(RunProbe(probe, "ulka"), Expected(big));
  auto loaded = LoadResource(Text(probe.c_str()), Text("ULKA"), Num(23), 0);
  EXPECT_EQ(Bytes(loaded.ByteSpan().begin(), loaded.ByteSpan().end()), big);
  EXPECT_TRUE(LoadResource(Text(probe.c_str()), Text("ULKA"), Text("23"), 0).IsEmpty());

  // A second update replaces the block instead of adding another.
  Bytes small = Pattern(10, 4);
  ASSERT_TRUE(UpdateResource(probe, Num(23), Text("ULKA"), Variant::FromBytes(small), 0));
  ASSERT_TRUE(UpdateResource(probe, Text("OTHER"), Num(1), Variant::FromBytes(small), 1031));
  EXPECT_EQ(RunProbe(probe, "ULKA"), Expected(small));
  EXPECT_LT(ReadAll(probe).size(), programSize + 1024);

  ASSERT_TRUE(UpdateResource(probe, Num(23), Text("ULKA"), Variant(), 0));
  EXPECT_EQ(RunProbe(probe, "ULKA"), "none\nnone\n");
  EXPECT_EQ(LoadResource(Text(probe.c_str()), Num(1), Text("other"), 0).ByteSpan().size(), 10u);
}

TEST(ElfResources, IconGroupsWorkAsOnPe) {
  TempDir dir;
  std::string probe = CopyProbe(dir);
  Bytes icon = ReadAll(Fixture("icon2.ico"));
  ASSERT_TRUE(UpdateResource(probe, Num(14), Text("MAINICON"), Variant::FromBytes(icon), 0));
  EXPECT_EQ(LoadResource(Text(probe.c_str()), Num(51), Num(3), 0).ByteSpan().size(), icon.size() > 0 ? 2440u : 0u);
  EXPECT_EQ(RunProbe(probe, "X"), "none\nnone\n");
}

TEST(ElfResources, OwnHandleOfAProgramWithoutResourcesGivesEmpty) {
  Variant own(static_cast<int64_t>(HostModuleHandle()));
  EXPECT_NE(HostModuleHandle(), 0u);
  EXPECT_TRUE(LoadResource(own, Text("ULKA"), Num(23), 0).IsEmpty());
  EXPECT_TRUE(LoadResource(Num(12345), Text("ULKA"), Num(23), 0).IsEmpty());
}

}  // namespace
}  // namespace ulka::test
