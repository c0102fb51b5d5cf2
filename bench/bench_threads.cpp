// Script threads: the cost of one Sync (worker to main thread and back) against a bare round trip
// between two threads over a condition variable; and the throughput of N workers each hashing a
// buffer of its own with rtl.Md5, against one worker, which shows whether workers really run in
// parallel.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "runtime/Rtl.h"
#include "script/ActiveScript.h"

namespace ulka {
namespace {

constexpr int kRoundTrips = 2000;

// The floor: one thread hands a turn to another and waits for it to come back.
void BM_CondVarRoundTrip(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable changed;
  int turn = 0;  // odd: the partner's turn
  bool stop = false;
  std::thread partner([&] {
    std::unique_lock guard(lock);
    for (;;) {
      changed.wait(guard, [&] { return stop || turn % 2 == 1; });
      if (stop) return;
      ++turn;
      changed.notify_all();
    }
  });
  for (auto _ : state) {
    for (int i = 0; i < kRoundTrips; ++i) {
      std::unique_lock guard(lock);
      ++turn;
      changed.notify_all();
      changed.wait(guard, [&] { return turn % 2 == 0; });
    }
  }
  {
    std::lock_guard guard(lock);
    stop = true;
  }
  changed.notify_all();
  partner.join();
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}
BENCHMARK(BM_CondVarRoundTrip)->UseRealTime()->Unit(benchmark::kMillisecond);

struct MainEngine {
  Ref<TRtl> rtl = MakeRef<TRtl>();
  TActiveScript script;
  MainEngine() {
    script.InitNew(u"JavaScript");
    script.AddItem(u"rtl", rtl.get(), false);
  }
  bool Run(const std::string& code) {
    Variant result;
    return Succeeded(script.Evaluate(Wide(code), result)) && result.Bool();
  }
};

void BM_SyncRoundTrip(benchmark::State& state) {
  MainEngine engine;
  const std::string code =
      "var t = rtl.Thread(this, function () { var n = 0;"
      " for (var i = 0; i < " + std::to_string(kRoundTrips) + "; i++) n += this.Sync(function () { return 1; });"
      " return n; }); t.Start().Wait().Result == " + std::to_string(kRoundTrips);
  for (auto _ : state) {
    if (!engine.Run(code)) state.SkipWithError("the thread did not sync every time");
  }
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}
BENCHMARK(BM_SyncRoundTrip)->UseRealTime()->Unit(benchmark::kMillisecond);

// N workers, each with 16 MB of its own, hash them four times.
void BM_Md5Workers(benchmark::State& state) {
  const int workers = static_cast<int>(state.range(0));
  MainEngine engine;
  const std::string code =
      "var ts = []; for (var w = 0; w < " + std::to_string(workers) + "; w++) ts.push(rtl.Thread(this, function () {"
      " var data = new Uint8Array(16 << 20); data[7] = 7; var d;"
      " for (var k = 0; k < 4; k++) d = rtl.Md5(data); return rtl.GetLength(d); }).Start());"
      " ts.every(function (t) { return t.Wait().Result == 16; })";
  for (auto _ : state) {
    if (!engine.Run(code)) state.SkipWithError("a worker failed");
  }
  state.SetBytesProcessed(state.iterations() * workers * 4 * (int64_t{16} << 20));
}
BENCHMARK(BM_Md5Workers)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
