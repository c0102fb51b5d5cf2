// The Bitmap object's codecs and resampling on one photograph (ULKA_BENCH_IMAGE, a JPEG): decode,
// PNG and JPEG (quality 90) encoding, and a 4x Lanczos downscale by Draw. bench/graphics.sh runs
// the same operations in Pillow and prints the ratios. Each iteration is timed by the thread's CPU
// clock and the fastest repetition counts, so other work on a shared machine counts against
// neither side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "bench/CpuTime.h"
#include "automation/ByteConvert.h"
#include "automation/Files.h"
#include "automation/Unicode.h"
#include "graphics/Bitmap.h"
#include "graphics/Rect.h"

namespace ulka {
namespace {

const Variant& Photo() {
  static const Variant bytes = [] {
    const char* path = std::getenv("ULKA_BENCH_IMAGE");
    Bytes data;
    if (!path || !ReadFileBytes(Wide(path), data)) {
      std::fprintf(stderr, "ULKA_BENCH_IMAGE must name a JPEG file\n");
      std::exit(2);
    }
    return BytesToVar(std::move(data));
  }();
  return bytes;
}

Ref<TBitmap> Decoded() {
  static Ref<TBitmap> bitmap = [] {
    Ref<TBitmap> b = MakeRef<TBitmap>();
    b->Open(Photo());
    return b;
  }();
  return bitmap;
}

void BM_Decode(benchmark::State& state) {
  const Variant& photo = Photo();
  bench::TimeByCpu(state, [&] {
    Ref<TBitmap> bitmap = MakeRef<TBitmap>();
    if (!bitmap->Open(photo)) state.SkipWithError("decode failed");
  });
}

void BM_EncodePng(benchmark::State& state) {
  Ref<TBitmap> bitmap = Decoded();
  bench::TimeByCpu(state, [&] { benchmark::DoNotOptimize(bitmap->PNG()); });
}

void BM_EncodeJpeg90(benchmark::State& state) {
  Ref<TBitmap> bitmap = Decoded();
  bench::TimeByCpu(state, [&] { benchmark::DoNotOptimize(bitmap->JPEG(90)); });
}

void BM_LanczosQuarter(benchmark::State& state) {
  Ref<TBitmap> source = Decoded();
  const int32_t width = source->GetWidth() / 4, height = source->GetHeight() / 4;
  Ref<TRectangle> area = TRectangle::Make({0, 0, width, height});
  bench::TimeByCpu(state, [&] {
    Ref<TBitmap> target = MakeRef<TBitmap>();
    target->SetSize(Variant(width), height);
    target->Draw(source.get(), area.get(), Variant::Missing(), 255, 5);
  });
}

// The fastest of several repetitions: on a shared machine other work only ever adds time.
double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2)->Repetitions(5)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(2)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_EncodeJpeg90)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2)->Repetitions(5)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_LanczosQuarter)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2)->Repetitions(5)
    ->ComputeStatistics("min", Fastest);

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
