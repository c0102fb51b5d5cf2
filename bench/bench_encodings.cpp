// Base64 and MD5 of 16 MB: our encoders against OpenSSL's on the same bytes, in the same run.
// BM_Base64Encode includes making its 44 MB UTF-16 result; BM_Base64EncodeInto is the kernel
// alone, writing into a buffer made once as OpenSSL's is.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "automation/Encodings.h"

namespace ulka {
namespace {

constexpr size_t kBulk = 16 << 20;

const Bytes& BulkBytes() {
  static const Bytes bytes = [] {
    Bytes b(kBulk);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
    return b;
  }();
  return bytes;
}

void BM_Base64Encode(benchmark::State& state) {
  const Bytes& bytes = BulkBytes();
  for (auto _ : state) {
    WideString text = Base64Encode(bytes);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

// The kernel alone, into a buffer made once, as OpenSSL is measured.
void BM_Base64EncodeInto(benchmark::State& state) {
  const Bytes& bytes = BulkBytes();
  WideString text(Base64EncodedLength(bytes.size()), u'\0');
  for (auto _ : state) {
    Base64EncodeTo(bytes, text.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_Base64EncodeAscii(benchmark::State& state) {
  const Bytes& bytes = BulkBytes();
  for (auto _ : state) {
    std::string text = Base64EncodeAscii(bytes);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_OpenSslEncodeBlock(benchmark::State& state) {
  const Bytes& bytes = BulkBytes();
  std::vector<uint8_t> out(kBulk / 3 * 4 + 8);
  for (auto _ : state) {
    int n = EVP_EncodeBlock(out.data(), bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_Base64Decode(benchmark::State& state) {
  const WideString text = Base64Encode(BulkBytes());
  for (auto _ : state) {
    Bytes bytes = Base64Decode(text);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_OpenSslDecodeBlock(benchmark::State& state) {
  std::vector<uint8_t> text(kBulk / 3 * 4 + 8);
  int length = EVP_EncodeBlock(text.data(), BulkBytes().data(), static_cast<int>(kBulk));
  std::vector<uint8_t> out(kBulk + 8);
  for (auto _ : state) {
    int n = EVP_DecodeBlock(out.data(), text.data(), length);
    benchmark::DoNotOptimize(n);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_Md5Bytes(benchmark::State& state) {
  const Bytes& bytes = BulkBytes();
  for (auto _ : state) {
    Bytes digest = Md5Bytes(bytes);
    benchmark::DoNotOptimize(digest.data());
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

void BM_OpenSslMd5Digest(benchmark::State& state) {
  const Bytes& bytes = BulkBytes();
  unsigned char digest[16];
  for (auto _ : state) {
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(state.iterations() * kBulk);
}

BENCHMARK(BM_OpenSslEncodeBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64EncodeInto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64EncodeAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSslDecodeBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSslMd5Digest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md5Bytes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
