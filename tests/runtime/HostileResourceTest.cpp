// Truncated and hostile executables: updates answer false and leave the file as it was; loads
// answer Empty.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "ResourceTestSupport.h"
#include "runtime/ByteOrder.h"
#include "runtime/ResourceMembers.h"

namespace ulka::test {
namespace {

using Corruption = std::function<void(Bytes&)>;

// Offsets inside a fixture found without Ulka's reader.
uint32_t PeHeader(const Bytes& f) { return Load32(f.data() + 60); }
uint32_t ResourceRaw(const Bytes& f) {
  uint32_t pe = PeHeader(f);
  uint32_t rva = Load32(f.data() + pe + 24 + 96 + 16);
  uint32_t table = pe + 24 + 224;
  for (uint32_t i = 0; i < Load16(f.data() + pe + 6); ++i)
    if (Load32(f.data() + table + 40 * i + 12) == rva) return Load32(f.data() + table + 40 * i + 20);
  return 0;
}
// The data entry reached by following the first entry at each level from the root at `root`.
uint32_t FirstDataEntry(const Bytes& f, uint32_t root) {
  uint32_t at = root;
  for (int level = 0; level < 3; ++level) at = root + (Load32(f.data() + at + 20) & 0x7FFFFFFF);
  return at;
}

void ExpectRejected(const Bytes& file, const char* kind) {
  TempDir dir;
  std::string path = dir.File(kind);
  WriteAll(path, file);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  Variant data = Variant::FromBytes(Pattern(100, 9));
  EXPECT_FALSE(UpdateResource(path, Num(23), Text("ULKA"), data, 0));
  EXPECT_FALSE(UpdateResource(path, Num(14), Text("MAINICON"), Variant::FromBytes(ReadAll(Fixture("icon2.ico"))), 0));
  EXPECT_EQ(ReadAll(path), file);
  EXPECT_TRUE(LoadResource(Text(path.c_str()), Text("HELLO"), Num(10), 0).IsEmpty());
  EXPECT_TRUE(LoadResource(Text(path.c_str()), Text("ULKA"), Num(23), 0).IsEmpty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left
}

TEST(HostileResources, MalformedPeImages) {
  const Bytes good = ReadAll(Fixture("last.exe"));
  const uint32_t pe = PeHeader(good), rsrc = ResourceRaw(good);
  ASSERT_NE(rsrc, 0u);
  const std::pair<const char*, Corruption> cases[] = {
      {"empty", [](Bytes& f) { f.clear(); }},
      {"MZ only", [](Bytes& f) { f.resize(2); }},
      {"headers cut", [pe](Bytes& f) { f.resize(pe + 100); }},
      {"sections cut", [rsrc](Bytes& f) { f.resize(rsrc + 10); }},
      {"last byte missing", [](Bytes& f) { f.pop_back(); }},
      {"PE header outside", [](Bytes& f) { Store32(f.data() + 60, 0xFFFFFFF0u); }},
      {"64-bit optional header size", [pe](Bytes& f) { Store16(f.data() + pe + 20, 240); }},
      {"zero file alignment", [pe](Bytes& f) { Store32(f.data() + pe + 24 + 36, 0); }},
      {"section raw data outside", [pe](Bytes& f) { Store32(f.data() + pe + 24 + 224 + 20, 0x7FFFFF00u); }},
      {"entry counts beyond the section", [rsrc](Bytes& f) { Store16(f.data() + rsrc + 14, 0xFFFF); }},
      {"directory loops to the root", [rsrc](Bytes& f) { Store32(f.data() + rsrc + 20, 0x80000000u); }},
      {"subdirectory outside", [rsrc](Bytes& f) { Store32(f.data() + rsrc + 20, 0x80FFFFF0u); }},
      {"name outside", [rsrc](Bytes& f) { Store32(f.data() + rsrc + 16, 0x80FFFFF0u); }},
      {"leaf where a directory belongs", [rsrc](Bytes& f) { Store32(f.data() + rsrc + 20, Load32(f.data() + rsrc + 20) & 0x7FFFFFFF); }},
      {"data outside the file", [rsrc](Bytes& f) { Store32(f.data() + FirstDataEntry(f, rsrc), 0x7FFFFFF0u); }},
      {"data larger than the file", [rsrc](Bytes& f) { Store32(f.data() + FirstDataEntry(f, rsrc) + 4, 0x7FFFFFFFu); }},
  };
  for (const auto& [title, corrupt] : cases) {
    SCOPED_TRACE(title);
    Bytes bad = good;
    corrupt(bad);
    ExpectRejected(bad, "bad.exe");
  }
}

TEST(HostileResources, MalformedElfFiles) {
  TempDir dir;
  std::string probe = dir.File("probe");
  std::filesystem::copy_file(ULKA_RES_PROBE, probe);
  const Bytes plain = ReadAll(probe);
  ASSERT_TRUE(UpdateResource(probe, Num(23), Text("ULKA"), Variant::FromBytes(Pattern(50, 1)), 0));
  const Bytes good = ReadAll(probe);
  const size_t trailer = good.size() - 16;
  const uint64_t block = Load64(good.data() + trailer);
  const std::pair<const char*, Corruption> cases[] = {
      {"block offset past the end", [trailer](Bytes& f) { Store64(f.data() + trailer, 0xFFFFFFFFFFull); }},
      {"block inside the program", [trailer](Bytes& f) { Store64(f.data() + trailer, 64); }},
      {"block directory loops", [block](Bytes& f) { Store32(f.data() + block + 20, 0x80000000u); }},
      {"block data outside the block", [block](Bytes& f) { Store32(f.data() + FirstDataEntry(f, static_cast<uint32_t>(block)), 0x7FFFFFF0u); }},
      {"program cut in half", [&plain](Bytes& f) { f.assign(plain.begin(), plain.begin() + plain.size() / 2); }},
      {"section table outside", [](Bytes& f) { Store64(f.data() + 40, 0xFFFFFFFF00ull); }},
      {"32-bit class cut short", [](Bytes& f) { f[4] = 1; f.resize(40); }},
      {"big-endian", [](Bytes& f) { f[5] = 2; }},
  };
  for (const auto& [title, corrupt] : cases) {
    SCOPED_TRACE(title);
    Bytes bad = good;
    corrupt(bad);
    ExpectRejected(bad, "bad");
  }
}

}  // namespace
}  // namespace ulka::test
