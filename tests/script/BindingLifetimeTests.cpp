// Wrappers live as long as scripts hold them and no longer: a host object is one wrapper per
// engine while that wrapper lives, and a million short-lived objects leave nothing behind.
#include <gtest/gtest.h>

#include "automation/VekObject.h"
#include "runtime/Rtl.h"
#include "script/ActiveScript.h"

namespace ulka {
namespace {

struct Engine {
  TActiveScript script;
  std::vector<ScriptError> errors;
  Engine() {
    script.InitNew(u"JavaScript");
    script.SetOnError([this](const ScriptError& e) { errors.push_back(e); });
    script.AddItem(u"rtl", MakeRef<TRtl>().get(), false);
  }
  Variant Eval(const WideString& code) {
    Variant result;
    script.Evaluate(code, result);
    return result;
  }
  void Collect() {
    for (int i = 0; i < 4; ++i) JSGarbageCollect(script.Context());
  }
};

TEST(BindingLifetime, AMillionShortLivedObjectsLeaveNothingBehind) {
  const size_t before = TVekObject::LiveCount();
  Engine engine;
  engine.Eval(u"for (var i = 0; i < 1000000; i++) rtl.Bytes().WriteByte(i & 255); 1");
  engine.Collect();
  // The collector sweeps lazily and may keep recent wrappers for a while; it must not keep them all.
  EXPECT_LT(TVekObject::LiveCount(), before + 100000);
  engine.script.Close();
  EXPECT_EQ(TVekObject::LiveCount(), before + 1);  // the engine's item "rtl"
  EXPECT_TRUE(engine.errors.empty());
}

TEST(BindingLifetime, AHeldObjectKeepsItsWrapperAndAFreedOneGetsANewOne) {
  Engine engine;
  EXPECT_TRUE(engine.Eval(u"var b = rtl.Bytes(); var held = b.WriteByte(1); held === b && b.WriteByte(2) === held").Bool());
  engine.Collect();
  EXPECT_TRUE(engine.Eval(u"b.WriteByte(3) === held").Bool());
  // Properties that answer an object answer the same one each time.
  EXPECT_TRUE(engine.Eval(u"var x = rtl.Xml('r'); x.Root === x.Root && x.Root.Add('c') === x.Root.Item('c')").Bool());
  EXPECT_TRUE(engine.errors.empty());
}

}  // namespace
}  // namespace ulka
