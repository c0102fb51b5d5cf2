// The cost of one call from JavaScript into a host member, against a native callback made
// directly with the JavaScriptCore C API in the same run, and of one on a 64 MiB array against
// one on 16 bytes; the throughput of rtl.Base64 and rtl.Md5 on 16 MB against OpenSSL's own; and
// rtl.LoadFile of 64 MiB against cat.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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

// A host engine with the root object as "rtl", as scripts of the host see it.
struct RtlEngine {
  Ref<TRtl> rtl = MakeRef<TRtl>();
  TActiveScript script;
  RtlEngine() {
    script.AddItem(u"rtl", rtl.get(), false);
    script.InitNew(u"JavaScript");
    script.Run();
  }
};

void RunLoop(benchmark::State& state, JSGlobalContextRef ctx, const char* body, int calls = kCallsPerRun) {
  std::string code = std::string("(function(){ var u = new Uint8Array(16); var n = 0; for (var i = 0; i < ") +
                     std::to_string(calls) + "; i++) { " + body + " } return n; })()";
  JsString script(code.c_str());
  for (auto _ : state) {
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(ctx, script, nullptr, nullptr, 1, &exception);
    if (exception) state.SkipWithError("script failed");
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations() * calls);
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
  RtlEngine host;
  RunLoop(state, host.script.Context(), body);
}

// A 64 MiB array handed to a member: the call reads it in place (compared per call with the
// 16-byte one above).
void BM_HostMemberBig(benchmark::State& state) {
  RtlEngine host;
  JSEvaluateScript(host.script.Context(), JsString("var big = new Uint8Array(64 << 20); big[5] = 1;"), nullptr, nullptr, 1,
                   nullptr);
  RunLoop(state, host.script.Context(), "n += rtl.GetLength(big);", 200);
}

BENCHMARK_CAPTURE(BM_NativeCallback, IsEmpty, "if (rtl.isEmpty(0)) n++;")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostMember, IsEmpty, "if (rtl.IsEmpty(0)) n++;")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NativeCallback, GetLength, "n += rtl.getLength(u);")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostMember, GetLength, "n += rtl.GetLength(u);")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostMemberBig)->Name("BM_HostMember/GetLength64MiB")->Unit(benchmark::kMillisecond);

// --- rtl.LoadFile of 64 MiB against `cat FILE > /dev/null`, the file in the page cache --------

const std::string& BigFile() {
  static const std::string path = [] {
    std::string name = (std::filesystem::temp_directory_path() / ("ulka-bench-" + std::to_string(getpid()))).string();
    std::ofstream out(name, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131);
    for (int i = 0; i < 64; ++i) out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    std::atexit([] { std::filesystem::remove(BigFile()); });
    return name;
  }();
  return path;
}

void BM_CatFile(benchmark::State& state) {
  const std::string& file = BigFile();
  for (auto _ : state) {
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      execlp("cat", "cat", file.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("cat failed");
  }
  state.SetBytesProcessed(state.iterations() * (int64_t{64} << 20));
}

void BM_RtlLoadFile(benchmark::State& state) {
  RtlEngine host;
  std::string code = "rtl.LoadFile('" + BigFile() + "').length";
  JsString script(code.c_str());
  for (auto _ : state) {
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(host.script.Context(), script, nullptr, nullptr, 1, &exception);
    if (exception || JSValueToNumber(host.script.Context(), value, nullptr) != (64 << 20)) state.SkipWithError("LoadFile failed");
  }
  state.SetBytesProcessed(state.iterations() * (int64_t{64} << 20));
}

// Repetitions that take turns (see main): compared by their medians.
BENCHMARK(BM_CatFile)->Name("BM_CatFile/64MiB")->UseRealTime()->Unit(benchmark::kMillisecond)
    ->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RtlLoadFile)->Name("BM_RtlLoadFile/64MiB")->UseRealTime()->Unit(benchmark::kMillisecond)
    ->Repetitions(9)->ReportAggregatesOnly(true);

// --- 16 MB through rtl.Base64 and rtl.Md5, against OpenSSL on the same bytes ------------------

constexpr size_t kBulk = 16 << 20;

void FillBulk(JSGlobalContextRef ctx) {
  JsString code("var big = new Uint8Array(16 << 20); for (var i = 0; i < big.length; i++) big[i] = (i * 2654435761) >>> 24;");
  JSEvaluateScript(ctx, code, nullptr, nullptr, 1, nullptr);
}

void BM_RtlBulk(benchmark::State& state, const char* call) {
  RtlEngine host;
  FillBulk(host.script.Context());
  JsString script(call);
  for (auto _ : state) {
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(host.script.Context(), script, nullptr, nullptr, 1, &exception);
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

// Repetitions of different benchmarks run in turns, so that the changing load of a shared machine
// falls on a figure and its baseline alike.
int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
