// The automation core: Variant coercion, dispatch through member tables, the failure report,
// expando members and reference counting.
#include <gtest/gtest.h>

#include <thread>

#include "automation/ErrorInfo.h"
#include "automation/VekObjectEx.h"

namespace ulka {
namespace {

// A small object kind with one member of each shape.
class TProbe : public TVekObject {
 public:
  static const InterfaceInfo& Info() {
    static const InterfaceInfo info = InterfaceBuilder<TProbe>("IProbe", "{00000000-0000-0000-0000-0000000000A1}")
        .Method(201, "Twice", &TProbe::Twice, {Arg("Value")})
        .Method(202, "Join", &TProbe::Join, {Arg("Text"), Opt("Separator", u","), Opt("Count", int32_t{2})})
        .Method(203, "Kind", &TProbe::Kind, {Opt("Value")})
        .Property(204, "Name", &TProbe::GetName, &TProbe::SetName)
        .Property(0, "Item", &TProbe::GetItem, &TProbe::SetItem, {Arg("Index")})
        .Method(205, "Broken", &TProbe::Broken)
        .Method(206, "Nested", &TProbe::Nested)
        .Getter(207, "ReadOnly", &TProbe::GetReadOnly)
        .Build();
    return info;
  }
  TProbe() : TVekObject(Info()) { ++alive; }
  ~TProbe() override { --alive; }

  int32_t Twice(int32_t Value) { return Value * 2; }
  WideString Join(const WideString& Text, const WideString& Separator, int32_t Count) {
    WideString out;
    for (int i = 0; i < Count; ++i) out += (i ? Separator : u"") + Text;
    return out;
  }
  WideString Kind(const Variant& Value) { return Value.IsMissing() ? u"missing" : Value.IsEmpty() ? u"empty" : u"value"; }
  WideString GetName() { return name; }
  void SetName(const WideString& Value) { name = Value; }
  WideString GetItem(int32_t Index) { return items.at(Index); }
  void SetItem(int32_t Index, const WideString& Value) { items.at(Index) = Value; }
  void Broken() { Fail("it broke"); }
  void Nested() {
    Ref<TProbe> inner = MakeRef<TProbe>();
    DispParams none;
    ExcepInfo excep;
    CheckNested(inner->Invoke(205, DISPATCH_METHOD, none, nullptr, &excep) == DISP_E_EXCEPTION ? excep.scode : S_OK);
  }
  int32_t GetReadOnly() { return 7; }

  static inline int alive = 0;
  WideString name;
  std::vector<WideString> items{u"a", u"b"};
};

HRESULT Call(IDispatch* object, DISPID id, uint16_t flags, std::vector<Variant> args, Variant* result,
             ExcepInfo* excep = nullptr) {
  DispParams params{args, {}};
  return object->Invoke(id, flags, params, result, excep);
}

TEST(ChangeType, CoercesAsAutomationDoes) {
  struct Case {
    Variant from;
    VarType to;
    HRESULT hr;
    Variant expected;
  };
  const Case cases[] = {
      {Variant(WideString(u"5")), VT_I4, S_OK, Variant(int32_t{5})},
      {Variant(WideString(u" 12 ")), VT_I4, S_OK, Variant(int32_t{12})},
      {Variant(WideString(u"abc")), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant(2.5), VT_I4, S_OK, Variant(int32_t{2})},  // ties to even
      {Variant(3.5), VT_I4, S_OK, Variant(int32_t{4})},
      {Variant(int32_t{70000}), VT_UI2, DISP_E_OVERFLOW, {}},
      {Variant(true), VT_I4, S_OK, Variant(int32_t{-1})},
      {Variant(int32_t{42}), VT_BSTR, S_OK, Variant(WideString(u"42"))},
      {Variant(0.5), VT_BSTR, S_OK, Variant(WideString(u"0.5"))},
      {Variant(), VT_BSTR, S_OK, Variant(WideString())},
      {Variant::Null(), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant(WideString(u"true")), VT_BOOL, S_OK, Variant(true)},
      {Variant(int32_t{0}), VT_BOOL, S_OK, Variant(false)},
      {Variant::FromBytes({1, 2}), VT_I4, DISP_E_TYPEMISMATCH, {}},
  };
  for (const Case& c : cases) {
    Variant result;
    HRESULT hr = ChangeType(c.from, c.to, result);
    EXPECT_EQ(hr, c.hr) << "to " << c.to;
    if (hr != S_OK) continue;
    ASSERT_EQ(result.Type(), c.expected.Type());
    if (result.IsText()) EXPECT_EQ(result.Text(), c.expected.Text());
    else EXPECT_EQ(result.Int(), c.expected.Int());
  }
}

TEST(ChangeType, LooksThroughReferencesAndObjects) {
  Variant target(int32_t{9});
  Variant result;
  ASSERT_EQ(ChangeType(Variant::ByRef(&target), VT_BSTR, result), S_OK);
  EXPECT_EQ(result.Text(), u"9");

  Ref<TProbe> probe = MakeRef<TProbe>();  // default member Item needs an index: no default value
  EXPECT_EQ(ChangeType(Variant(probe.get()), VT_I4, result), DISP_E_TYPEMISMATCH);
}

TEST(Dispatch, NamesMatchInAnyCaseAndUnknownNamesFail) {
  Ref<TProbe> probe = MakeRef<TProbe>();
  for (const WideString name : {u"twice", u"TWICE", u"Twice"}) {
    DISPID id = 0;
    EXPECT_EQ(probe->GetIDsOfNames(std::span<const WideString>(&name, 1), &id), S_OK);
    EXPECT_EQ(id, 201);
  }
  WideString unknown = u"Nope";
  DISPID id = 0;
  EXPECT_EQ(probe->GetIDsOfNames(std::span<const WideString>(&unknown, 1), &id), DISP_E_UNKNOWNNAME);
}

TEST(Dispatch, TypeInfoCountAndBadIndex) {
  Ref<TProbe> probe = MakeRef<TProbe>();
  EXPECT_EQ(probe->GetTypeInfoCount(), 1u);
  const InterfaceInfo* info = nullptr;
  EXPECT_EQ(probe->GetTypeInfo(0, info), S_OK);
  EXPECT_EQ(info, &TProbe::Info());
  EXPECT_EQ(probe->GetTypeInfo(1, info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
}

TEST(Dispatch, ArgumentsAreCoercedAndDefaultsFilled) {
  Ref<TProbe> probe = MakeRef<TProbe>();
  Variant result;
  ASSERT_EQ(Call(probe.get(), 201, DISPATCH_METHOD, {Variant(WideString(u"5"))}, &result), S_OK);
  EXPECT_EQ(result.Int(), 10);
  EXPECT_EQ(Call(probe.get(), 201, DISPATCH_METHOD, {Variant(WideString(u"x"))}, &result), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Call(probe.get(), 201, DISPATCH_METHOD, {}, &result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(probe.get(), 201, DISPATCH_METHOD, {Variant(1), Variant(2)}, &result), DISP_E_BADPARAMCOUNT);

  ASSERT_EQ(Call(probe.get(), 202, DISPATCH_METHOD, {Variant(WideString(u"ab"))}, &result), S_OK);
  EXPECT_EQ(result.Text(), u"ab,ab");
  ASSERT_EQ(Call(probe.get(), 202, DISPATCH_METHOD, {Variant(WideString(u"ab")), Variant::Missing(), Variant(3)}, &result), S_OK);
  EXPECT_EQ(result.Text(), u"ab,ab,ab");

  ASSERT_EQ(Call(probe.get(), 203, DISPATCH_METHOD, {}, &result), S_OK);
  EXPECT_EQ(result.Text(), u"missing");
  ASSERT_EQ(Call(probe.get(), 203, DISPATCH_METHOD, {Variant()}, &result), S_OK);
  EXPECT_EQ(result.Text(), u"empty");
}

TEST(Dispatch, PropertiesAreReadAndPutIncludingByReference) {
  Ref<TProbe> probe = MakeRef<TProbe>();
  WideString value = u"x";
  NamedArg put{DISPID_PROPERTYPUT, Variant(value)};
  DispParams params{{}, std::span<NamedArg>(&put, 1)};
  ASSERT_EQ(probe->Invoke(204, DISPATCH_PROPERTYPUTREF, params, nullptr, nullptr), S_OK);
  EXPECT_EQ(probe->name, u"x");

  std::vector<Variant> index{Variant(1)};
  NamedArg item{DISPID_PROPERTYPUT, Variant(WideString(u"B"))};
  DispParams indexed{index, std::span<NamedArg>(&item, 1)};
  ASSERT_EQ(probe->Invoke(0, DISPATCH_PROPERTYPUT, indexed, nullptr, nullptr), S_OK);
  Variant result;
  ASSERT_EQ(Call(probe.get(), 0, DISPATCH_PROPERTYGET, {Variant(1)}, &result), S_OK);
  EXPECT_EQ(result.Text(), u"B");

  DispParams readOnly{{}, std::span<NamedArg>(&put, 1)};
  EXPECT_EQ(probe->Invoke(207, DISPATCH_PROPERTYPUT, readOnly, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST(Dispatch, FailuresCarryMessageAndStatus) {
  Ref<TProbe> probe = MakeRef<TProbe>();
  ExcepInfo excep;
  EXPECT_EQ(Call(probe.get(), 205, DISPATCH_METHOD, {}, nullptr, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, u"it broke");
  EXPECT_EQ(excep.scode, E_UNEXPECTED);
  std::optional<ErrorInfo> info = TakeErrorInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description, u"it broke");
  EXPECT_EQ(info->interfaceName, u"IProbe");

  // A failed nested call reaches the caller with the nested message and status.
  ExcepInfo nested;
  EXPECT_EQ(Call(probe.get(), 206, DISPATCH_METHOD, {}, nullptr, &nested), DISP_E_EXCEPTION);
  EXPECT_EQ(nested.description, u"it broke");
  EXPECT_EQ(nested.scode, E_UNEXPECTED);

  ExcepInfo index;
  EXPECT_EQ(Call(probe.get(), 0, DISPATCH_PROPERTYGET, {Variant(5)}, nullptr, &index), DISP_E_EXCEPTION);
  EXPECT_FALSE(index.description.empty());
}

TEST(Dispatch, ObjectDiesWithItsLastReference) {
  int before = TProbe::alive;
  {
    Ref<TProbe> probe = MakeRef<TProbe>();
    Variant held(static_cast<IDispatch*>(probe.get()));
    EXPECT_EQ(TProbe::alive, before + 1);
    probe = nullptr;
    EXPECT_EQ(TProbe::alive, before + 1);
  }
  EXPECT_EQ(TProbe::alive, before);
}

TEST(MemberList, DuplicatesLastAddedWinsAndIndexErrors) {
  TMemberList list;
  EXPECT_EQ(list.AddMember(u"Color", Variant(1)), 0);
  EXPECT_EQ(list.AddMember(u"size", Variant(2)), 1);
  EXPECT_EQ(list.AddMember(u"COLOR", Variant(3)), 2);
  EXPECT_EQ(list.GetMemberId(u"color"), 2);
  list.DeleteMember(2);
  EXPECT_EQ(list.GetMemberId(u"color"), 0);
  list.DeleteMember(0);
  EXPECT_EQ(list.GetMemberId(u"size"), 0);
  EXPECT_EQ(list.GetMemberId(u"color"), -1);
  try {
    list.GetMember(5);
    FAIL() << "no failure";
  } catch (const EVekError& e) {
    EXPECT_EQ(e.Message(), u"List index out of bounds (5)");
  }
}

TEST(Expando, MembersAreCreatedReadAndCalledByName) {
  Ref<TRtlObject> object = MakeRef<TRtlObject>();
  IDispatchEx* ex = object->DispatchEx();
  DISPID id;
  EXPECT_EQ(ex->GetDispID(u"Foo", 0, id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  ASSERT_EQ(ex->GetDispID(u"Foo", fdexNameEnsure, id), S_OK);
  EXPECT_EQ(id, DISPID_EXPANDO_BASE);

  NamedArg put{DISPID_PROPERTYPUT, Variant(int32_t{1})};
  DispParams assign{{}, std::span<NamedArg>(&put, 1)};
  ASSERT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYPUT, assign, nullptr, nullptr, nullptr), S_OK);
  DISPID lower;
  ASSERT_EQ(ex->GetDispID(u"foo", 0, lower), S_OK);
  EXPECT_EQ(lower, id);

  Variant value;
  DispParams none;
  ASSERT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYGET, none, &value, nullptr, nullptr), S_OK);
  EXPECT_EQ(value.Int(), 1);
  EXPECT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYGET, none, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(ex->InvokeEx(id, DISPATCH_METHOD, none, &value, nullptr, nullptr), DISP_E_BADCALLEE);
  EXPECT_EQ(ex->InvokeEx(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, &value, nullptr, nullptr), DISP_E_BADCALLEE);
  EXPECT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYPUT, none, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(ex->InvokeEx(id, 0, none, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  WideString name;
  EXPECT_EQ(ex->GetMemberName(id, name), E_NOTIMPL);
  DISPID next;
  EXPECT_EQ(ex->GetNextDispID(0, id, next), E_NOTIMPL);
}

TEST(Expando, CallingAMemberForwardsToTheObjectItHolds) {
  Ref<TRtlObject> object = MakeRef<TRtlObject>();
  Ref<TProbe> probe = MakeRef<TProbe>();
  object->AddMember(u"probe", Variant(static_cast<IDispatch*>(probe.get())));
  DISPID id;
  ASSERT_EQ(object->GetDispID(u"PROBE", 0, id), S_OK);
  // obj.probe(1) reaches the probe's default member with the `this` argument passed along.
  std::vector<Variant> args{Variant(1)};
  NamedArg self{DISPID_THIS, Variant(static_cast<IDispatch*>(object.get()))};
  DispParams call{args, std::span<NamedArg>(&self, 1)};
  Variant result;
  ASSERT_EQ(object->InvokeEx(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, call, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.Text(), u"b");

  // Clearing the members releases what they held.
  int before = TProbe::alive;
  probe = nullptr;
  EXPECT_EQ(TProbe::alive, before);
  object->Members().Clear();
  EXPECT_EQ(TProbe::alive, before - 1);
}

TEST(Expando, TypedMembersWinOverExpandoOnes) {
  Ref<TRtlObject> object = MakeRef<TRtlObject>();
  object->AddMember(u"x", Variant(1));
  object->AddMember(u"X", Variant(2));
  DISPID id;
  ASSERT_EQ(object->GetDispID(u"x", 0, id), S_OK);
  EXPECT_EQ(id, DISPID_EXPANDO_BASE + 1);  // the entry added last
}

// Objects chained through their members, as `cur.k = rtl.Object(); cur = cur.k` makes them.
Ref<TRtlObject> MakeChain(int length) {
  Ref<TRtlObject> head = MakeRef<TRtlObject>();
  TRtlObject* tail = head.get();
  for (int i = 1; i < length; ++i) {
    Ref<TRtlObject> next = MakeRef<TRtlObject>();
    tail->AddMember(u"k", Variant(static_cast<IDispatch*>(next.get())));
    tail = next.get();
  }
  return head;
}

// Deep enough that deleting it recursively overflows any thread's stack.
constexpr int kDeepChain = 300000;

TEST(Release, ALongChainOfObjectsIsDeletedWithoutRecursion) {
  const size_t before = TVekObject::LiveCount();
  Ref<TRtlObject> head = MakeChain(kDeepChain);
  EXPECT_EQ(TVekObject::LiveCount(), before + kDeepChain);
  head = nullptr;  // every object goes before the release returns
  EXPECT_EQ(TVekObject::LiveCount(), before);
}

TEST(Release, ObjectsReleasedByADeletionGoBeforeTheOutermostReleaseReturns) {
  const int before = TProbe::alive;
  Ref<TRtlObject> holder = MakeRef<TRtlObject>();
  for (int i = 0; i < 3; ++i) holder->AddMember(u"p", Variant(static_cast<IDispatch*>(MakeRef<TProbe>().get())));
  Ref<TRtlObject> inner = MakeChain(10);
  inner->AddMember(u"p", Variant(static_cast<IDispatch*>(MakeRef<TProbe>().get())));
  holder->AddMember(u"chain", Variant(static_cast<IDispatch*>(inner.get())));
  inner = nullptr;
  EXPECT_EQ(TProbe::alive, before + 4);
  holder = nullptr;
  EXPECT_EQ(TProbe::alive, before);
  // The queue is empty again: a plain release deletes at once.
  Ref<TProbe> probe = MakeRef<TProbe>();
  probe = nullptr;
  EXPECT_EQ(TProbe::alive, before);
}

TEST(Release, EachThreadDeletesItsOwnChains) {
  const size_t before = TVekObject::LiveCount();
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([] {
      for (int round = 0; round < 3; ++round) MakeChain(kDeepChain / 3) = nullptr;
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(TVekObject::LiveCount(), before);
}

TEST(Release, ArraysNestedAnyDepthAreFreedWithoutRecursion) {
  const int before = TProbe::alive;
  Variant nest = Variant(static_cast<IDispatch*>(MakeRef<TProbe>().get()));
  for (int i = 0; i < kDeepChain; ++i) {
    auto array = std::make_shared<SafeArray>();
    array->elementType = VT_VARIANT;
    array->bounds.push_back({2, 0});
    array->items = {Variant(i), std::move(nest)};
    nest = Variant::FromArray(std::move(array));
  }
  Variant shared = nest;  // a copy shares the arrays; the nest lives on with it
  nest.Clear();
  EXPECT_EQ(TProbe::alive, before + 1);
  EXPECT_EQ(shared.Array()->items[0].Int(), kDeepChain - 1);
  shared = Variant(1);
  EXPECT_EQ(TProbe::alive, before);
}

}  // namespace
}  // namespace ulka
