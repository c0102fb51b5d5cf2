// Zip throughput on 64 MB of mixed data (half random bytes, half text): TZip.Add and TZip.Extract
// against zlib's own compress2 and uncompress at the same level, measured in the same run.
// Each iteration is timed by the thread's CPU clock (manual time), so that other work on a shared
// machine does not count against either side.
#include <benchmark/benchmark.h>
#include <zlib.h>


#include <memory>
#include <random>

#include "bench/CpuTime.h"
#include "archive/Zip.h"

namespace ulka {
namespace {

constexpr size_t kSize = 64u << 20;

const Bytes& MixedData() {
  static const Bytes data = [] {
    Bytes out(kSize);
    std::mt19937 random(2026);
    const size_t half = kSize / 2;
    for (size_t i = 0; i < half; i += 4) {
      uint32_t v = random();
      for (size_t k = 0; k < 4 && i + k < half; ++k) out[i + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    static const char* const kWords[] = {"archive ", "entry ", "deflate ", "the ", "of ", "window\n",
                                         "header ", "central ", "directory ", "a ", "script ", "page "};
    size_t at = half;
    while (at < kSize) {
      for (const char* w = kWords[random() % std::size(kWords)]; *w && at < kSize; ++w) out[at++] = *w;
    }
    return out;
  }();
  return data;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void BM_ZipAdd(benchmark::State& state) {
  const Variant data = Variant::FromBytes(MixedData());
  bench::TimeByCpu(state, [&] {
    Ref<TZip> zip = MakeRef<TZip>();
    zip->Add(u"data.bin", data);
    benchmark::DoNotOptimize(zip->ZipFile().Files()[0].CompressedData.data());
  });
  SetBytes(state);
}

void BM_ZlibCompress2(benchmark::State& state) {
  const Bytes& data = MixedData();
  bench::TimeByCpu(state, [&] {
    uLongf length = compressBound(data.size());
    std::unique_ptr<uint8_t[]> out(new uint8_t[length]);
    compress2(out.get(), &length, data.data(), data.size(), Z_DEFAULT_COMPRESSION);
    benchmark::DoNotOptimize(out.get());
  });
  SetBytes(state);
}

void BM_ZipExtract(benchmark::State& state) {
  Ref<TZip> zip = MakeRef<TZip>();
  zip->Add(u"data.bin", Variant::FromBytes(MixedData()));
  bench::TimeByCpu(state, [&] {
    Variant bytes = zip->Extract(u"data.bin");
    if (bytes.ByteSpan().size() != kSize) state.SkipWithError("extract failed");
    benchmark::DoNotOptimize(bytes.ByteSpan().data());
  });
  SetBytes(state);
}

void BM_ZlibUncompress(benchmark::State& state) {
  const Bytes& data = MixedData();
  uLongf length = compressBound(data.size());
  Bytes compressed(length);
  compress2(compressed.data(), &length, data.data(), data.size(), Z_DEFAULT_COMPRESSION);
  compressed.resize(length);
  bench::TimeByCpu(state, [&] {
    uLongf size = kSize;
    std::unique_ptr<uint8_t[]> out(new uint8_t[size]);
    if (uncompress(out.get(), &size, compressed.data(), compressed.size()) != Z_OK || size != kSize)
      state.SkipWithError("uncompress failed");
    benchmark::DoNotOptimize(out.get());
  });
  SetBytes(state);
}

BENCHMARK(BM_ZipAdd)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ZlibCompress2)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ZipExtract)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
