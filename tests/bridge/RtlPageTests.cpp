// A page using the real root object through the bridge: its large interface table, objects it
// makes, byte arrays, default members and indexed puts of objects of other kinds.
#include <gtest/gtest.h>

#include "runtime/Rtl.h"
#include "tests/bridge/PageHost.h"

namespace ulka::test {
namespace {

TEST(PageBridgeRtl, PageUsesTheRuntimeRootObject) {
  PageHost host;
  Ref<TRtl> rtl = MakeRef<TRtl>();
  host.External().AddMember(u"rtl", Variant(static_cast<IDispatch*>(rtl.get())));
  EXPECT_EQ(host.Load("ulka:///rtl.html"), "DONE");
}

// Threads started by a page: the page's function crosses as its source text, `window` is the host
// whose eval runs each Sync in the page, and the completion callback is a page function.
TEST(PageBridgeRtl, PageStartsThreadsAndSeesOneObjectPerHostObject) {
  PageHost host;
  Ref<TRtl> rtl = MakeRef<TRtl>();
  host.External().AddMember(u"rtl", Variant(static_cast<IDispatch*>(rtl.get())));
  EXPECT_EQ(host.Load("ulka:///threads.html"), "DONE");
}

}  // namespace
}  // namespace ulka::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ulka::test::PageHost::InitOnce();
  return RUN_ALL_TESTS();
}
