// Byte arrays cross the binding without copies and still keep the contract: the script's own
// Uint8Array is read in place during a call, a value the host keeps owns its bytes, and a byte
// array the host gives up becomes the script's Uint8Array over that very buffer. No change on one
// side shows on the other.
#include <gtest/gtest.h>

#include <JavaScriptCore/JavaScript.h>

#include <cstdio>
#include <thread>

#include "automation/ByteConvert.h"
#include "automation/VekObject.h"
#include "script/ActiveScript.h"
#include "script/JsHandles.h"

namespace ulka {
namespace {

// A host object that keeps what it is given, hands it back, and makes fresh buffers.
class TByteProbe : public TVekObject {
 public:
  static const InterfaceInfo& Info() {
    static const InterfaceInfo info =
        InterfaceBuilder<TByteProbe>("IByteProbe", "{0E2D9B51-6A0F-4C57-93C1-7D1C4B2E5A10}")
            .Method(1, "Keep", &TByteProbe::Keep, {Arg("Value")})
            .Method(2, "Kept", &TByteProbe::Kept)
            .Method(3, "Free", &TByteProbe::Free)
            .Method(4, "Give", &TByteProbe::Give, {Arg("Size")})
            .Method(5, "Look", &TByteProbe::Look, {Arg("Value")})
            .Property(6, "Data", &TByteProbe::Kept, &TByteProbe::Keep)
            .Build();
    return info;
  }
  TByteProbe() : TVekObject(Info()) {}

  void Keep(const Variant& Value) { kept_ = Value; }
  Variant Kept() { return kept_; }
  void Free() { kept_.Clear(); }
  // Bytes 0, 1, 2 ... of the given size; the host lets go of them.
  Variant Give(int32_t Size) {
    Bytes bytes(static_cast<size_t>(Size));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    given_ = bytes.data();
    return Variant::FromBytes(std::move(bytes));
  }
  // What a reader sees of its argument during the call.
  int32_t Look(const Variant& Value) {
    seen_ = Value.ByteSpan().data();
    lent_ = Value.IsLent();
    return static_cast<int32_t>(Value.ByteSpan().size());
  }

  Variant kept_;
  const uint8_t* given_ = nullptr;
  const uint8_t* seen_ = nullptr;
  bool lent_ = false;
};

// A host object with a dispatch of its own that keeps its argument by moving it out of the call,
// which callees must not do: the binding still leaves it with bytes of its own.
class Hoarder : public IDispatch, public RefCounted {
 public:
  uint32_t AddRef() override { return AddRefCount(); }
  uint32_t Release() override {
    uint32_t left = ReleaseCount();
    if (!left) delete this;
    return left;
  }
  HRESULT GetIDsOfNames(std::span<const WideString>, DISPID* ids) override {
    ids[0] = 1;
    return S_OK;
  }
  HRESULT Invoke(DISPID, uint16_t flags, DispParams& params, Variant*, ExcepInfo*) override {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;  // Take is a method
    if (!params.args.empty()) hoard = std::move(params.args[0]);
    return S_OK;
  }
  Variant hoard;
};

struct Engine {
  TActiveScript script;
  std::vector<ScriptError> errors;
  Ref<TByteProbe> probe = MakeRef<TByteProbe>();
  Engine() {
    script.InitNew(u"JavaScript");
    script.SetOnError([this](const ScriptError& e) { errors.push_back(e); });
    script.AddItem(u"probe", probe.get(), false);
    script.Run();
  }
  Variant Eval(const WideString& code) {
    Variant result;
    script.Evaluate(code, result);
    return result;
  }
  JSValueRef Global(const char* name) {
    return JSObjectGetProperty(script.Context(), JSContextGetGlobalObject(script.Context()), JsString(name), nullptr);
  }
  const uint8_t* BytesOf(const char* name) {
    JSObjectRef array = JSValueToObject(script.Context(), Global(name), nullptr);
    return static_cast<const uint8_t*>(JSObjectGetTypedArrayBytesPtr(script.Context(), array, nullptr));
  }
  void Collect() {
    for (int i = 0; i < 4; ++i) JSGarbageCollect(script.Context());
  }
};

size_t ResidentBytes() {
  FILE* statm = std::fopen("/proc/self/statm", "r");
  unsigned long size = 0, resident = 0;
  if (statm) {
    if (std::fscanf(statm, "%lu %lu", &size, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * 4096;
}

TEST(BindingBytes, AnArgumentIsReadInPlaceAndWhatTheHostKeepsIsItsOwn) {
  Engine engine;
  EXPECT_EQ(engine.Eval(u"var u = new Uint8Array(8192); u.set([1, 2, 3]); probe.Look(u)").Int(), 8192);
  EXPECT_TRUE(engine.probe->lent_);
  EXPECT_EQ(engine.probe->seen_, engine.BytesOf("u"));  // no copy for a reader
  // Kept by a method and by a property put: later script writes do not reach the host.
  EXPECT_TRUE(engine.Eval(u"probe.Keep(u); u[0] = 9; probe.Kept()[0] === 1").Bool());
  EXPECT_FALSE(engine.probe->kept_.IsLent());
  EXPECT_TRUE(engine.Eval(u"var w = new Uint8Array([4, 5]); probe.Data = w; w[1] = 0; probe.Data[1] === 5").Bool());
  // A part of a larger buffer is just that part.
  EXPECT_EQ(engine.Eval(u"var big = new Uint8Array(20000); probe.Look(big.subarray(10, 5010))").Int(), 5000);
  EXPECT_EQ(engine.probe->seen_, engine.BytesOf("big") + 10);
  // A buffer that could shrink during the call is copied instead, and so is a small one.
  EXPECT_EQ(engine.Eval(u"var r = new Uint8Array(new ArrayBuffer(8192, {maxByteLength: 16384})); probe.Look(r)").Int(), 8192);
  EXPECT_FALSE(engine.probe->lent_);
  EXPECT_EQ(engine.Eval(u"probe.Look(new Uint8Array(16))").Int(), 16);
  EXPECT_FALSE(engine.probe->lent_);
  EXPECT_TRUE(engine.errors.empty());
}

TEST(BindingBytes, AReceivedArrayChangedByTheScriptLeavesTheHostUnchanged) {
  Engine engine;
  engine.probe->Keep(Variant::FromBytes({1, 2, 3}));
  EXPECT_TRUE(engine.Eval(u"var got = probe.Kept(); got[1] = 77; got[1] === 77 && probe.Kept()[1] === 2").Bool());
  EXPECT_EQ(engine.probe->kept_.ByteSpan()[1], 2);
  EXPECT_TRUE(engine.Eval(u"probe.Kept() !== probe.Kept()").Bool());  // a fresh array each time
  EXPECT_TRUE(engine.errors.empty());
}

TEST(BindingBytes, AGivenBufferIsTheScriptsAndOutlivesTheHostsCopy) {
  Engine engine;
  EXPECT_TRUE(engine.Eval(u"var g = probe.Give(100000); g.length === 100000 && g[99999] === (99999 & 255)").Bool());
  EXPECT_EQ(engine.BytesOf("g"), engine.probe->given_);  // the host's own buffer, not a copy
  // Kept across calls: the host lets go of what it held and the script's array stays intact.
  engine.Eval(u"probe.Keep(g); var kept = probe.Kept(); g[0] = 200;");
  engine.probe->Free();
  engine.probe->Give(100000);
  engine.Collect();
  EXPECT_TRUE(engine.Eval(u"var same = true; for (var i = 0; i < kept.length; i++) same = same && kept[i] === (i & 255); same").Bool());
  EXPECT_TRUE(engine.errors.empty());
}

TEST(BindingBytes, GivenBuffersAreFreedWithTheirArrays) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer holds freed memory in its quarantine";
#endif
  Engine engine;
  const size_t before = ResidentBytes();
  engine.Eval(u"for (var i = 0; i < 64; i++) probe.Give(16 << 20); 1");
  engine.Collect();
  EXPECT_LT(ResidentBytes(), before + (256u << 20));  // a gigabyte went through
  EXPECT_TRUE(engine.errors.empty());
}

TEST(BindingBytes, ACalleeThatTakesItsArgumentAwayStillGetsBytesOfItsOwn) {
  Engine engine;
  Ref<Hoarder> hoarder(new Hoarder);
  engine.script.AddItem(u"hoarder", hoarder.get(), false);
  engine.Eval(u"var h = new Uint8Array(8192); h[0] = 7; hoarder.Take(h); h[0] = 1;");
  ASSERT_TRUE(hoarder->hoard.IsByteArray());
  EXPECT_FALSE(hoarder->hoard.IsLent());
  EXPECT_EQ(hoarder->hoard.ByteSpan()[0], 7);
  EXPECT_TRUE(engine.errors.empty());
}

// A script thread's engine frees the buffers it was given on its own thread.
TEST(BindingBytes, EnginesOnOtherThreadsTakeBuffersToo) {
  std::thread worker([] {
    Engine engine;
    EXPECT_TRUE(engine.Eval(u"var n = 0; for (var i = 0; i < 200; i++) n += probe.Give(65536)[65535]; n === 200 * 255").Bool());
    engine.Collect();
    engine.script.Close();
    EXPECT_TRUE(engine.errors.empty());
  });
  worker.join();
}

}  // namespace
}  // namespace ulka
