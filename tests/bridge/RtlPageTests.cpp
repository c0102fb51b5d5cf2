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

}  // namespace
}  // namespace ulka::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ulka::test::PageHost::InitOnce();
  return RUN_ALL_TESTS();
}
