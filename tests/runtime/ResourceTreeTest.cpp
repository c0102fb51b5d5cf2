// The resource tree on its own: order of entries, layout of the serialised directory, round trip.
#include <gtest/gtest.h>

#include "runtime/ByteOrder.h"
#include "runtime/ResourceTree.h"

namespace ulka {
namespace {

std::shared_ptr<const std::vector<uint8_t>> Data(std::initializer_list<uint8_t> bytes) {
  return std::make_shared<const std::vector<uint8_t>>(bytes);
}

std::vector<std::u16string> Keys(const TResItem& dir) {
  std::vector<std::u16string> keys;
  for (auto& c : dir.children) keys.push_back(c->name.empty() ? u"#" + std::u16string(1, char16_t(u'0' + c->id)) : c->name);
  return keys;
}

TEST(ResourceTree, KeepsNamedEntriesByCodeUnitThenNumbersAscending) {
  auto root = NewResourceRoot();
  for (auto key : {ResId::Number(9), ResId::Text(u"b"), ResId::Number(3), ResId::Text(u"ab"),
                   ResId::Text(u"a"), ResId::Text(u"B")})
    UpdateResourceTree(*root, key, ResId::Number(1), 0, Data({1}));
  EXPECT_EQ(Keys(*root), (std::vector<std::u16string>{u"B", u"a", u"ab", u"b", u"#3", u"#9"}));
}

TEST(ResourceTree, SerialisedLayoutAndRoundTrip) {
  auto root = NewResourceRoot();
  UpdateResourceTree(*root, ResId::Text(u"ULKA"), ResId::Number(1), 0, Data({1, 2, 3, 4, 5}));
  UpdateResourceTree(*root, ResId::Number(23), ResId::Text(u"X"), 1031, Data({9}));
  auto out = SerializeResourceTree(*root, 0x5000);
  ASSERT_TRUE(out);
  // Directories: root (16 + 2*8), two type dirs and two name dirs (16 + 8 each), two leaves (16).
  // Strings: both root children (4 + 2*4 + 2 for ULKA, 2 for the number), both children of 23's
  // name level "X" (2*1 + 2). Data: 8 + 4.
  const size_t directory = 32 + 4 * 24 + 2 * 16, strings = 10 + 2 + 4;
  const size_t head = (directory + strings + 3) / 4 * 4;
  ASSERT_EQ(out->size(), head + 12);
  EXPECT_EQ(Load16(out->data() + 12), 1);  // one named, one numeric child of the root
  EXPECT_EQ(Load16(out->data() + 14), 1);
  EXPECT_EQ(Load32(out->data() + 16), 0x80000000u | directory);  // "ULKA" opens the string area
  EXPECT_EQ(Load16(out->data() + directory), 4);

  DataLocator locate = [&](uint32_t address, uint32_t size) -> std::optional<std::span<const uint8_t>> {
    if (address < 0x5000 || !InBounds(address - 0x5000, size, out->size())) return std::nullopt;
    return std::span<const uint8_t>(*out).subspan(address - 0x5000, size);
  };
  auto back = ReadResourceTree(*out, locate, out->size());
  ASSERT_TRUE(back);
  auto leaf = FindResource(*back, ResId::Number(23), ResId::Text(u"X"), 1031);
  ASSERT_TRUE(leaf);
  EXPECT_EQ(std::vector<uint8_t>(leaf->Data().begin(), leaf->Data().end()), std::vector<uint8_t>{9});
  EXPECT_EQ(SerializeResourceTree(*back, 0x5000), out);
}

TEST(ResourceTree, LoadLookupIgnoresCaseAndFallsBackFromNeutral) {
  auto root = NewResourceRoot();
  UpdateResourceTree(*root, ResId::Number(23), ResId::Text(u"ULKA"), 1031, Data({1}));
  UpdateResourceTree(*root, ResId::Number(23), ResId::Text(u"ULKA"), 1033, Data({2}));
  auto leaf = FindResourceForLoad(*root, ResId::Number(23), ResId::Text(u"ulka"), 0);
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->id, 1033u);
  EXPECT_FALSE(FindResource(*root, ResId::Number(23), ResId::Text(u"ulka"), 1033));
  EXPECT_FALSE(FindResourceForLoad(*root, ResId::Number(23), ResId::Text(u"ulka"), 1036));
}

}  // namespace
}  // namespace ulka
