// Dictionary entries are the object's expando members: the members, the default member and a
// script's property assignment all reach one list.
#include <gtest/gtest.h>

#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "data/Dictionary.h"

namespace ulka {
namespace {

std::string Keys(TDictionary& d) {
  std::string keys;
  for (int i = 0; i < d.GetLength(); ++i) keys += (i ? "," : "") + Utf8(d.GetKeys(i));
  return keys;
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const EVekError& e) {
    return Utf8(e.Message());
  }
  return "no error";
}

TEST(Dictionary, DuplicateKeysAndTheLastAddedWins) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  EXPECT_EQ(d->Add(u"a", Variant(1)).get(), d.get());
  d->Add(u"A", Variant(2));
  EXPECT_EQ(d->GetLength(), 2);
  EXPECT_EQ(d->IndexOf(u"a"), 1);
  EXPECT_EQ(d->GetValues(u"a").Int(), 2);
  d->Remove(u"a");  // the entry found, the second one
  EXPECT_EQ(d->GetLength(), 1);
  EXPECT_EQ(d->GetValues(u"A").Int(), 1);
}

TEST(Dictionary, ValuesPutAppendsThenReplaces) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->SetValues(u"x", Variant(1));
  d->SetValues(u"X", Variant(2));
  EXPECT_EQ(d->GetLength(), 1);
  EXPECT_EQ(d->GetKeys(0), u"x");
  EXPECT_EQ(d->GetItems(0).Int(), 2);
}

TEST(Dictionary, MissingKeysAreNoErrors) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"a", Variant(1));
  d->Remove(u"b");
  EXPECT_EQ(d->GetLength(), 1);
  EXPECT_EQ(d->IndexOf(u"b"), -1);
  EXPECT_FALSE(d->Contains(u"b"));
  EXPECT_TRUE(d->Contains(u"A"));
  EXPECT_TRUE(d->GetValues(u"b").IsEmpty());
}

TEST(Dictionary, IndexesOutOfRangeFailWithTheListError) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"a", Variant(1));
  EXPECT_EQ(ErrorOf([&] { d->RemoveAt(1); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorOf([&] { d->GetKeys(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf([&] { d->SetKeys(5, u"k"); }), "List index out of bounds (5)");
  EXPECT_EQ(ErrorOf([&] { d->GetItems(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf([&] { d->SetItems(1, Variant(0)); }), "List index out of bounds (1)");
  EXPECT_EQ(d->GetLength(), 1);
}

TEST(Dictionary, RenamingAKeyMovesItsLookups) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"a", Variant(1))->Add(u"b", Variant(2))->Add(u"a", Variant(3));
  d->SetKeys(2, u"c");
  EXPECT_EQ(d->GetValues(u"a").Int(), 1);
  EXPECT_EQ(d->GetValues(u"C").Int(), 3);
  d->SetKeys(0, u"B");
  EXPECT_EQ(d->IndexOf(u"b"), 1);  // the later entry still wins
  EXPECT_EQ(d->IndexOf(u"a"), -1);
  d->RemoveAt(1);
  EXPECT_EQ(d->GetValues(u"b").Int(), 1);
}

TEST(Dictionary, SortOrdersKeysWithoutRegardToCase) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->Add(u"b", Variant(1))->Add(u"A", Variant(2))->Add(u"c", Variant(3));
  d->Sort();
  EXPECT_EQ(Keys(*d), "A,b,c");
  EXPECT_EQ(d->GetValues(u"b").Int(), 1);
  EXPECT_EQ(d->IndexOf(u"c"), 2);
}

TEST(Dictionary, ScriptPropertiesAreEntries) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  IDispatchEx* ex = d->DispatchEx();
  DISPID id;
  ASSERT_EQ(ex->GetDispID(u"color", fdexNameEnsure, id), S_OK);
  NamedArg put{DISPID_PROPERTYPUT, Variant(7)};
  DispParams params{{}, std::span<NamedArg>(&put, 1)};
  ASSERT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYPUT, params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(d->GetValues(u"COLOR").Int(), 7);

  d->Add(u"size", Variant(3));
  ASSERT_EQ(ex->GetDispID(u"SIZE", 0, id), S_OK);
  EXPECT_EQ(id, DISPID_EXPANDO_BASE + 1);
  Variant read;
  DispParams none{};
  ASSERT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYGET, none, &read, nullptr, nullptr), S_OK);
  EXPECT_EQ(read.Int(), 3);

  d->Add(u"Length", Variant(99));  // type-library names win over entries
  ASSERT_EQ(ex->GetDispID(u"length", 0, id), S_OK);
  EXPECT_EQ(id, 211);
}

TEST(Dictionary, DefaultMemberGetsAndPutsByKey) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  Variant key(WideString(u"k"));
  NamedArg put{DISPID_PROPERTYPUT, Variant(WideString(u"v"))};
  DispParams putParams{std::span<Variant>(&key, 1), std::span<NamedArg>(&put, 1)};
  ASSERT_EQ(d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYPUT, putParams, nullptr, nullptr), S_OK);
  Variant result;
  DispParams getParams{std::span<Variant>(&key, 1), {}};
  ASSERT_EQ(d->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, getParams, &result, nullptr), S_OK);
  EXPECT_EQ(result.Text(), u"v");
}

TEST(Dictionary, RemovingReleasesValues) {
  const size_t before = TVekObject::LiveCount();
  {
    Ref<TDictionary> d = MakeRef<TDictionary>();
    Ref<TDictionary> held = MakeRef<TDictionary>();
    d->Add(u"a", Variant(static_cast<IDispatch*>(held.get())));
    d->Add(u"b", Variant(static_cast<IDispatch*>(MakeRef<TDictionary>().get())));
    EXPECT_EQ(TVekObject::LiveCount(), before + 3);
    d->RemoveAt(1);
    EXPECT_EQ(TVekObject::LiveCount(), before + 2);
    d->RemoveAll();
    EXPECT_EQ(d->GetLength(), 0);
  }
  EXPECT_EQ(TVekObject::LiveCount(), before);
}

}  // namespace
}  // namespace ulka
