// Executable resources at package scale, each against a baseline of the same run:
// - UpdateRes of a 50 MB package into a copy of the host, against copying a file of the same size;
// - finding and opening the host's 50 MB package up to the start page's bytes, plain and sealed,
//   against reading the same 50 MB from a plain file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "app/PackageSource.h"
#include "automation/ByteConvert.h"
#include "automation/Encodings.h"
#include "automation/Files.h"
#include "automation/Unicode.h"
#include "crypto/Cryptor.h"
#include "crypto/Signer.h"
#include "runtime/ResourceMembers.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

constexpr size_t kPackageSize = 50u << 20;

struct Fixture {
  fs::path dir;
  std::string host;        // a copy of this program, the stand-in for the host
  Bytes package;           // a 50 MB zip: a start page and a large stored-looking file
  Bytes sealed;            // the same, sealed
  PackageKeys keys;
  std::string packageFile;  // the zip as a plain file

  Fixture() {
    dir = fs::temp_directory_path() / ("ulka-bench-res-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    host = (dir / "host").string();
    fs::copy_file("/proc/self/exe", host, fs::copy_options::overwrite_existing);

    std::mt19937 random(1);
    Bytes noise(kPackageSize - 4096);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    Ref<TZip> zip = MakeRef<TZip>();
    zip->Add(u"index.html", BytesToVar(Bytes{'<', 'h', 't', 'm', 'l', '>'}));
    zip->Add(u"data.bin", BytesToVar(std::move(noise)));
    package = VarToBytes(zip->GetZip());
    packageFile = (dir / "package.zip").string();
    WriteFileBytes(Wide(packageFile), package);

    Ref<TSigner> signer = MakeRef<TSigner>();
    signer->CreateKey(1024);
    keys = {Base64Encode(VarToBytes(signer->ExportPublicKey())), u"AAECAwQFBgcICQoLDA0ODw==",
            u"EBESExQVFhcYGRobHB0eHw=="};
    Ref<TCryptor> cryptor = MakeRef<TCryptor>();
    cryptor->SetCipher(u"twofish");
    Bytes signedData = VarToBytes(signer->SignData(
        cryptor->Encrypt(BytesToVar(package), Variant(keys.Key), Variant(keys.InitVector))));
    sealed = {'U', 'L', 'K', 'A'};
    sealed.insert(sealed.end(), signedData.begin(), signedData.end());
  }
  ~Fixture() { fs::remove_all(dir); }

  std::string HostWith(const std::string& name, const Bytes& resource) const {
    std::string copy = (dir / name).string();
    fs::copy_file(host, copy, fs::copy_options::overwrite_existing);
    UpdateResource(copy, Variant(int32_t{23}), Variant(WideString(u"ULKA")), BytesToVar(resource), 0);
    return copy;
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_UpdateResPackage(benchmark::State& state) {
  Fixture& f = Shared();
  std::string target = (f.dir / "updated").string();
  Variant data = BytesToVar(f.package);
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(f.host, target, fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    if (!UpdateResource(target, Variant(int32_t{23}), Variant(WideString(u"ULKA")), data, 0))
      state.SkipWithError("UpdateRes failed");
  }
  state.SetBytesProcessed(state.iterations() * f.package.size());
}
BENCHMARK(BM_UpdateResPackage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The baseline: copying a file as large as the updated program.
void BM_CopyFile(benchmark::State& state) {
  Fixture& f = Shared();
  std::string source = f.HostWith("copy-source", f.package);
  std::string target = (f.dir / "copied").string();
  for (auto _ : state) fs::copy_file(source, target, fs::copy_options::overwrite_existing);
  state.SetBytesProcessed(state.iterations() * f.package.size());
}
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void OpenPackage(benchmark::State& state, const std::string& program, const PackageKeys& keys) {
  for (auto _ : state) {
    SourceChoice source = ChooseSource({Variant(Wide(program)), {}, "/", keys});
    if (!source.Zip) state.SkipWithError("no package");
    else benchmark::DoNotOptimize(source.Zip->Extract(source.StartFile));
  }
  state.SetBytesProcessed(state.iterations() * Shared().package.size());
}

void BM_OpenPlainPackage(benchmark::State& state) {
  OpenPackage(state, Shared().HostWith("plain", Shared().package), Shared().keys);
}
BENCHMARK(BM_OpenPlainPackage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_OpenSealedPackage(benchmark::State& state) {
  OpenPackage(state, Shared().HostWith("sealed", Shared().sealed), Shared().keys);
}
BENCHMARK(BM_OpenSealedPackage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The baseline: reading the same bytes from a plain file.
void BM_ReadPackageFile(benchmark::State& state) {
  for (auto _ : state) {
    Bytes bytes;
    ReadFileBytes(Wide(Shared().packageFile), bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * Shared().package.size());
}
BENCHMARK(BM_ReadPackageFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
