// The member list keeps its name index in step with the entries through deletes, renames and
// reorders, without rebuilding it on every change. A naive model (scan from the end) checks it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>
#include <numeric>
#include <random>

#include "automation/MemberList.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

// A few names in several letter cases, and many names, so that probe runs grow, wrap and shrink.
std::vector<WideString> FewNames() {
  return {u"a", u"A", u"b", u"B", u"color", u"COLOR", u"\u00e9t\u00e9", u"\u00c9T\u00c9", u""};
}
std::vector<WideString> ManyNames() {
  std::vector<WideString> names;
  for (int i = 0; i < 300; ++i) {
    std::string name = (i % 2 ? "Key" : "KEY") + std::to_string(i / 2);
    names.emplace_back(name.begin(), name.end());
  }
  return names;
}

int ModelLookup(const TMemberList& list, std::u16string_view name) {
  for (int i = list.Count() - 1; i >= 0; --i)
    if (SameText(list.GetMemberName(i), name)) return i;
  return -1;
}

class MemberListLookups : public testing::TestWithParam<std::vector<WideString> (*)()> {};

TEST_P(MemberListLookups, RandomChangesKeepLookupsExact) {
  const std::vector<WideString> names = GetParam()();
  std::mt19937 random(12345);
  TMemberList list;
  auto pick = [&](size_t n) { return static_cast<int>(random() % n); };
  for (int step = 0; step < 3000; ++step) {
    const int op = pick(10);
    const WideString& name = names[pick(names.size())];
    if (op < 5 || list.Count() == 0) {
      list.AddMember(name, Variant(step));
    } else if (op < 8) {
      list.DeleteMember(pick(list.Count()));
    } else if (op < 9) {
      list.SetMemberName(pick(list.Count()), name);
    } else if (step % 10 == 0) {
      std::vector<int> order(static_cast<size_t>(list.Count()));
      std::iota(order.begin(), order.end(), 0);
      std::shuffle(order.begin(), order.end(), random);
      list.Reorder(order);
    }
    ASSERT_EQ(list.GetMemberId(name), ModelLookup(list, name)) << "step " << step;
    if (step % 25 != 0) continue;
    for (const WideString& n : names)
      ASSERT_EQ(list.GetMemberId(n), ModelLookup(list, n)) << "step " << step << " name " << Utf8(n);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, MemberListLookups, testing::Values(&FewNames, &ManyNames));

TEST(MemberListIndex, DeleteKeepsValuesWithTheirNames) {
  TMemberList list;
  for (int i = 0; i < 6; ++i) list.AddMember(i % 2 ? u"odd" : u"even", Variant(i));
  list.DeleteMember(5);  // the last "odd"
  EXPECT_EQ(list.GetMember(list.GetMemberId(u"ODD")).Int(), 3);
  list.DeleteMember(0);
  EXPECT_EQ(list.GetMember(list.GetMemberId(u"even")).Int(), 4);
  EXPECT_EQ(list.GetMemberId(u"even"), 3);
}

TEST(MemberListIndex, BadIdsFailWithTheListIndexError) {
  TMemberList list;
  list.AddMember(u"a", Variant(1));
  try {
    list.DeleteMember(5);
    FAIL() << "no error";
  } catch (const EVekError& e) {
    EXPECT_EQ(Utf8(e.Message()), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.SetMemberName(-1, u"x"), EVekError);
  EXPECT_THROW(list.GetMember(1), EVekError);
}

TEST(MemberListIndex, ABadOrderLeavesTheListAsItWas) {
  TMemberList list;
  list.AddMember(u"a", Variant(1));
  list.AddMember(u"b", Variant(2));
  const int duplicate[] = {0, 0};
  EXPECT_THROW(list.Reorder(duplicate), EVekError);
  const int shortOrder[] = {1};
  EXPECT_THROW(list.Reorder(shortOrder), EVekError);
  EXPECT_EQ(list.GetMemberName(0), u"a");
  EXPECT_EQ(list.GetMember(1).Int(), 2);
  EXPECT_EQ(list.GetMemberId(u"B"), 1);
}

}  // namespace
}  // namespace ulka
