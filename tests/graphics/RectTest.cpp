#include <gtest/gtest.h>

#include "automation/VekObjectEx.h"
#include "graphics/Rect.h"

namespace ulka {
namespace {

Ref<TRectangle> R(int32_t l, int32_t t, int32_t r, int32_t b) { return TRectangle::Make({l, t, r, b}); }

void ExpectRect(const Ref<TRectangle>& rect, TRect expected) {
  EXPECT_EQ(rect->FRect, expected) << rect->FRect.Left << "," << rect->FRect.Top << "," << rect->FRect.Right
                                   << "," << rect->FRect.Bottom;
}

TEST(Rect, SettersChangeTheObjectAndReturnIt) {
  Ref<TRectangle> r = MakeRef<TRectangle>();
  EXPECT_EQ(r->SetRect(10, 20, 100, 50).get(), r.get());
  ExpectRect(r, {10, 20, 110, 70});
  EXPECT_EQ(r->GetWidth(), 100);
  EXPECT_EQ(r->GetHeight(), 50);
  Ref<TRectangle> s = R(10, 10, 20, 20);
  EXPECT_EQ(s->SetSize(5, 5).get(), s.get());
  ExpectRect(s, {10, 10, 15, 15});
}

TEST(Rect, OperationsReturnNewRects) {
  Ref<TRectangle> r = R(10, 10, 20, 20);
  Ref<TRectangle> inflated = r->Inflate(2, 3);
  EXPECT_NE(inflated.get(), r.get());
  ExpectRect(inflated, {8, 7, 22, 23});
  ExpectRect(r, {10, 10, 20, 20});
  ExpectRect(r->Offset(-10, 5), {0, 15, 10, 25});
  ExpectRect(r->MoveTo(0, 0), {0, 0, 10, 10});
  ExpectRect(R(0, 0, 10, 20)->Center(Variant(int32_t{50}), Variant(int32_t{50})), {45, 40, 55, 60});
  ExpectRect(R(0, 0, 3, 3)->Center(Variant(static_cast<IDispatch*>(R(0, 0, 10, 10).get())), Variant::Missing()),
             {4, 4, 7, 7});
  ExpectRect(R(0, 0, 200, 100)->Fit(R(0, 0, 100, 100).get()), {0, 25, 100, 75});
  ExpectRect(R(0, 0, 200, 100)->Expand(R(0, 0, 100, 100).get()), {-50, 0, 150, 100});
  ExpectRect(R(10, 10, 20, 20)->Scale(R(0, 0, 100, 100).get(), R(0, 0, 200, 50).get()), {20, 5, 40, 10});
}

TEST(Rect, IntersectUnionContains) {
  Ref<TRectangle> none = R(0, 0, 10, 10)->Intersect(R(20, 20, 30, 30).get());
  ExpectRect(none, {0, 0, 0, 0});
  EXPECT_TRUE(none->IsEmpty());
  ExpectRect(R(0, 0, 10, 10)->Intersect(R(5, 5, 30, 30).get()), {5, 5, 10, 10});
  ExpectRect(R(0, 0, 10, 10)->Union(R(20, 20, 30, 30).get()), {0, 0, 30, 30});
  ExpectRect(R(0, 0, 0, 10)->Union(R(20, 20, 30, 30).get()), {20, 20, 30, 30});
  ExpectRect(R(0, 0, 0, 10)->Union(R(5, 5, 5, 5).get()), {0, 0, 0, 0});
  EXPECT_FALSE(R(0, 0, 10, 10)->Contains(10, 5));
  EXPECT_TRUE(R(0, 0, 10, 10)->Contains(0, 0));
  EXPECT_TRUE(R(1, 2, 3, 4)->IsEqual(R(1, 2, 3, 4).get()));
}

TEST(Rect, PropertyPuts) {
  Ref<TRectangle> r = R(10, 0, 20, 10);
  r->SetWidth(-5);
  ExpectRect(r, {10, 0, 5, 10});
  EXPECT_TRUE(r->IsEmpty());
  Ref<TRectangle> c = R(0, 0, 10, 10);
  c->SetCenterX(0);
  ExpectRect(c, {-5, 0, 5, 10});
  c->SetCenterY(0);
  ExpectRect(c, {-5, -5, 5, 5});
}

TEST(Rect, FailuresAreScriptErrors) {
  Ref<TRectangle> r = R(0, 0, 10, 10);
  Ref<TRtlObject> other = MakeRef<TRtlObject>();
  EXPECT_THROW(r->Fit(other.get()), EVekError);
  EXPECT_THROW(r->IsEqual(nullptr), EVekError);
  EXPECT_THROW(r->Scale(R(0, 0, 0, 10).get(), R(0, 0, 10, 10).get()), EVekError);
  EXPECT_THROW(r->Center(Variant(int32_t{5}), Variant::Missing()), EVekError);
  // Through the dispatch interface a failure is a status, not a crash.
  Variant args[1] = {Variant(static_cast<IDispatch*>(other.get()))};
  DispParams params{args, {}};
  ExcepInfo excep;
  Variant result;
  EXPECT_EQ(r->Invoke(209, DISPATCH_METHOD, params, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, u"Invalid class typecast");
}

}  // namespace
}  // namespace ulka
