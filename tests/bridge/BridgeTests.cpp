// The page bridge end to end: a real web view and web process under the X server of the test run.
#include <gtest/gtest.h>

#include <thread>

#include "automation/VekObject.h"
#include "tests/bridge/PageHost.h"
#include "web/bridge/BridgeEndpoint.h"
#include "web/bridge/PageBridge.h"

namespace ulka::test {
namespace {

constexpr HRESULT kDisconnected = RPC_E_DISCONNECTED;

std::string PageUrl(const char* page) { return std::string("ulka:///") + page; }

TEST(PageBridge, PageSeesHostValuesErrorsAndConventions) {
  PageHost host;
  EXPECT_EQ(host.Load(PageUrl("values.html")), "DONE");
}

TEST(PageBridge, ExpandoMembersSetByThePageAreHostMembers) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  EXPECT_GE(host.External().GetMemberId(u"ADD"), 0);
  Variant add = GetMember(&host.External(), u"add");
  ASSERT_TRUE(add.IsObject());
  // A page function called from the host: its default member calls it.
  Variant args[] = {Variant(int32_t{2}), Variant(int32_t{3})};
  DispParams params{args, {}};
  Variant result;
  ExcepInfo excep;
  ASSERT_EQ(add.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_METHOD, params, &result, &excep), S_OK);
  EXPECT_EQ(result.Type(), VT_I4);
  EXPECT_EQ(result.Int(), 5);
  // Its default value is its source text.
  DispParams none;
  Variant text;
  ASSERT_EQ(add.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &text, &excep), S_OK);
  EXPECT_NE(text.Text().find(u"a + b"), std::u16string::npos);
}

TEST(PageBridge, HostCallsIntoThePageWhichCallsBackIntoTheHost) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  Variant result;
  ExcepInfo excep;
  ASSERT_EQ(CallMember(&host.External(), u"reenter", {Variant(int32_t{21})}, result, excep), S_OK);
  EXPECT_EQ(result.Int(), 42);
}

TEST(PageBridge, PageFailureReachesTheHostWithItsMessage) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  Variant result;
  ExcepInfo excep;
  EXPECT_EQ(CallMember(&host.External(), u"fails", {}, result, excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, u"page says no");
}

TEST(PageBridge, DocumentIsTheLivePageDocument) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  Ref<IDispatch> document = PageBridge::Instance().Document(host.View());
  ASSERT_TRUE(document);
  EXPECT_EQ(GetMember(document.get(), u"title").Text(), u"DONE");
  Variant element;
  ExcepInfo excep;
  ASSERT_EQ(CallMember(document.get(), u"getElementById", {Variant(WideString(u"greeting"))}, element, excep), S_OK);
  ASSERT_TRUE(element.IsObject());
  EXPECT_EQ(GetMember(element.Dispatch(), u"textContent").Text(), u"Hello from the page");
  // A put from the host shows in the page.
  Variant title(WideString(u"set by the host"));
  ASSERT_EQ(InvokeByName(document.get(), u"title", DISPATCH_PROPERTYPUT, std::span<Variant>(&title, 1), nullptr), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return host.Title() == "set by the host"; }, 5000));
}

// The page's window.external, read back through the page's own window.
IDispatch* PageExternal(WebKitWebView* view, Variant& holder) {
  Ref<IDispatch> document = PageBridge::Instance().Document(view);
  if (!document) return nullptr;
  Variant window = GetMember(document.get(), u"defaultView");
  if (!window.IsObject()) return nullptr;
  holder = GetMember(window.Dispatch(), u"external");
  return holder.IsObject() ? holder.Dispatch() : nullptr;
}

TEST(PageBridge, ExternalIsTheHostObjectItselfAndFollowsSetExternal) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("blank.html")), "DONE");
  Variant holder;
  EXPECT_EQ(PageExternal(host.View(), holder), &host.External());
  // A new external object reaches the page that is already shown.
  Ref<TRtlObject> other = MakeRef<TRtlObject>();
  PageBridge::Instance().SetExternal(host.View(), other.get());
  EXPECT_EQ(PageExternal(host.View(), holder), other.get());
  PageBridge::Instance().SetExternal(host.View(), &host.External());
}

TEST(PageBridge, APageRestoredByGoingBackHasAWorkingExternal) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  ASSERT_EQ(host.Load(PageUrl("blank.html")), "DONE");
  ASSERT_TRUE(webkit_web_view_can_go_back(host.View()));
  webkit_web_view_go_back(host.View());
  ASSERT_TRUE(WaitUntil([&] {
    const char* uri = webkit_web_view_get_uri(host.View());
    return uri && std::string(uri).ends_with("store.html") && !webkit_web_view_is_loading(host.View());
  }));
  Variant holder;
  EXPECT_EQ(PageExternal(host.View(), holder), &host.External());
  Variant result;
  ExcepInfo excep;
  EXPECT_EQ(CallMember(&host.External(), u"add", {Variant(int32_t{1}), Variant(int32_t{2})}, result, excep), S_OK);
  EXPECT_EQ(result.Int(), 3);
}

TEST(PageBridge, OtherThreadsGetNoDocument) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("blank.html")), "DONE");
  Ref<IDispatch> fromWorker;
  std::thread([&] { fromWorker = PageBridge::Instance().Document(host.View()); }).join();
  EXPECT_FALSE(fromWorker);
  EXPECT_TRUE(PageBridge::Instance().Document(host.View()));
}

TEST(PageBridge, ObjectsThePageHeldAreReleasedWithItsDocument) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("blank.html")), "DONE");
  const size_t before = TVekObject::LiveCount();
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  EXPECT_EQ(TVekObject::LiveCount(), before + 5);  // the children the page keeps
  Variant stored = GetMember(&host.External(), u"add");
  ASSERT_TRUE(stored.IsObject());
  ASSERT_EQ(host.Load(PageUrl("blank.html")), "DONE");
  EXPECT_EQ(TVekObject::LiveCount(), before);
  // A function of the old document is cut off: calling it fails at once, it does not hang.
  Variant result;
  ExcepInfo excep;
  DispParams none;
  EXPECT_EQ(stored.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_METHOD, none, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, kDisconnected);
}

TEST(PageBridge, NetworkPagesGetNoExternal) {
  std::string url = PageHost::HttpUrl("http.html");
  ASSERT_FALSE(url.empty());
  PageHost host;
  EXPECT_EQ(host.Load(url), "NO EXTERNAL");
  // The same page from the application's scheme does get it.
  EXPECT_EQ(host.Load(PageUrl("http.html")), "HAS EXTERNAL");
}

TEST(PageBridge, APageNavigatingItselfToAnApplicationPageGetsExternal) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("blank.html")), "DONE");
  Ref<IDispatch> document = PageBridge::Instance().Document(host.View());
  ASSERT_TRUE(document);
  Variant location = GetMember(document.get(), u"location");
  ASSERT_TRUE(location.IsObject());
  Variant target(WideString(u"ulka:///http.html"));
  ASSERT_EQ(InvokeByName(location.Dispatch(), u"href", DISPATCH_PROPERTYPUT, std::span<Variant>(&target, 1), nullptr),
            S_OK);
  EXPECT_TRUE(WaitUntil([&] { return host.Title() == "HAS EXTERNAL" || host.Title() == "NO EXTERNAL"; }));
  EXPECT_EQ(host.Title(), "HAS EXTERNAL");
}

TEST(PageBridge, CallsIntoAClosedPageFailInsteadOfHanging) {
  Variant stored;
  {
    PageHost host;
    ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
    stored = GetMember(&host.External(), u"add");
    ASSERT_TRUE(stored.IsObject());
    host.Close();
  }
  Variant result;
  ExcepInfo excep;
  DispParams none;
  EXPECT_EQ(stored.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_METHOD, none, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, kDisconnected);
}

TEST(PageBridge, AWebProcessThatDiesEndsTheCallsIntoIt) {
  PageHost host;
  ASSERT_EQ(host.Load(PageUrl("store.html")), "DONE");
  Variant stored = GetMember(&host.External(), u"add");
  ASSERT_TRUE(stored.IsObject());
  webkit_web_view_terminate_web_process(host.View());
  Variant result;
  ExcepInfo excep;
  DispParams none;
  EXPECT_EQ(stored.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_METHOD, none, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, kDisconnected);
  EXPECT_FALSE(PageBridge::Instance().Document(host.View()));
}

}  // namespace
}  // namespace ulka::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ulka::test::PageHost::InitOnce();
  return RUN_ALL_TESTS();
}
