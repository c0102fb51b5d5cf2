// The cost of one call from JavaScript into a host member, against a native callback made
// directly with the JavaScriptCore C API in the same run; and the throughput of rtl.Base64 and
// rtl.Md5 on 16 MB against OpenSSL's own.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <JavaScriptCore/JavaScript.h>

#include "runtime/Rtl.h"
#include "script/ActiveScript.h"
#include "script/JsHandles.h"

namespace ulka {
namespace {

constexpr int kCallsPerRun = 100000;

// The floor: an object whose static function is a plain C callback doing the same work.
JSValueRef NativeIsEmpty(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*) {
  return JSValueMakeBoolean(ctx, argc > 0 && JSValueToNumber(ctx, argv[0], nullptr) == 0);
}

JSValueRef NativeGetLength(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*) {
  size_t n = argc > 0 ? JSObjectGetTypedArrayByteLength(ctx, JSValueToObject(ctx, argv[0], nullptr), nullptr) : 0;
  return JSValueMakeNumber(ctx, static_cast<double>(n));
}

void RunLoop(benchmark::State& state, JSGlobalContextRef ctx, const char* body) {
  std::string code = std::string("(function(){ var u = new Uint8Array(16); var n = 0; for (var i = 0; i < ") +
                     std::to_string(kCallsPerRun) + "; i++) { " + body + " } return n; })()";
  JsString script(code.c_str());
  for (auto _ : state) {
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(ctx, script, nullptr, nullptr, 1, &exception);
    if (exception) state.SkipWithError("script failed");
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations() * kCallsPerRun);
}

void BM_NativeCallback(benchmark::State& state, const char* body) {
  JSStaticFunction functions[] = {{"isEmpty", NativeIsEmpty, kJSPropertyAttributeNone},
                                  {"getLength", NativeGetLength, kJSPropertyAttributeNone},
                                  {nullptr, nullptr, 0}};
  JSClassDefinition def = kJSClassDefinitionEmpty;
  def.className = "Native";
  def.staticFunctions = functions;
  JSClassRef cls = JSClassCreate(&def);
  JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
  JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), JsString("rtl"), JSObjectMake(ctx, cls, nullptr),
                      kJSPropertyAttributeNone, nullptr);
  RunLoop(state, ctx, body);
  JSGlobalContextRelease(ctx);
  JSClassRelease(cls);
}

void BM_HostMember(benchmark::State& state, const char* body) {
  Ref<TRtl> rtl = MakeRef<TRtl>();
  TActiveScript host;
  host.AddItem(u"rtl", rtl.get(), false);
  host.InitNew(u"JavaScript");
  host.Run();
  RunLoop(state, host.Context(), body);
}

BENCHMARK_CAPTURE(BM_NativeCallback, IsEmpty, "if (rtl.isEmpty(0)) n++;")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostMember, IsEmpty, "if (rtl.IsEmpty(0)) n++;")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NativeCallback, GetLength, "n += rtl.getLength(u);")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostMember, GetLength, "n += rtl.GetLength(u);")->Unit(benchmark::kMillisecond);

// --- 16 MB through rtl.Base64 and rtl.Md5, against OpenSSL on the same bytes ------------------

constexpr size_t kBulk = 16 << 20;

void FillBulk(JSGlobalContextRef ctx) {
  JsString code("var big = new Uint8Array(16 << 20); for (var i = 0; i < big.length; i++) big[i] = (i * 2654435761) >>> 24;");
  JSEvaluateScript(ctx, code, nullptr, nullptr, 1, nullptr);
}

void BM_RtlBulk(benchmark::State& state, const char* call) {
  Ref<TRtl> rtl = MakeRef<TRtl>();
  TActiveScript host;
  host.AddItem(u"rtl", rtl.get(), false);
  host.InitNew(u"JavaScript");
  host.Run();
  FillBulk(host.Context());
  JsString script(call);
  for (auto _ : state) {
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(host.Context(), script, nullptr, nullptr, 1, &exception);
    if (exception) state.SkipWithError("script failed");
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

std::vector<uint8_t> BulkBytes() {
  std::vector<uint8_t> bytes(kBulk);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  return bytes;
}

void BM_OpenSslBase64(benchmark::State& state) {
  std::vector<uint8_t> bytes = BulkBytes();
  std::vector<uint8_t> out(kBulk / 3 * 4 + 8);
  for (auto _ : state) {
    int n = EVP_EncodeBlock(out.data(), bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_OpenSslMd5(benchmark::State& state) {
  std::vector<uint8_t> bytes = BulkBytes();
  unsigned char digest[16];
  for (auto _ : state) {
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

BENCHMARK(BM_OpenSslBase64)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RtlBulk, Base64, "rtl.Base64(big).length")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSslMd5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RtlBulk, Md5, "rtl.Md5(big).length")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
