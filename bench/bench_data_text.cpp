// How the list operations scale: Strings.Sort and Strings.RemoveDuplicates on 10^5 and 10^6
// lines, and FileList.Add through subfolders over 10^4 and 10^5 files. Each pair is reported as
// the time of the large size against the small one measured in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "automation/Unicode.h"
#include "data/FileList.h"
#include "data/Strings.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

// Words of 6 to 16 letters in mixed case, the same on every run; `distinct` of them at most.
std::vector<WideString> RandomLines(size_t count, size_t distinct) {
  std::mt19937 random(12345);
  std::vector<WideString> pool(distinct);
  for (WideString& word : pool) {
    const int length = 6 + static_cast<int>(random() % 11);
    for (int i = 0; i < length; ++i) {
      const char16_t letter = u'a' + static_cast<char16_t>(random() % 26);
      word += random() % 4 == 0 ? letter - 32 : letter;
    }
  }
  std::vector<WideString> lines(count);
  for (WideString& line : lines) line = pool[random() % distinct];
  return lines;
}

void BM_StringsSort(benchmark::State& state) {
  const std::vector<WideString> lines = RandomLines(state.range(0), state.range(0));
  Ref<TStrings> strings;
  for (auto _ : state) {
    state.PauseTiming();
    strings = MakeRef<TStrings>();  // the last list is freed outside the measured time
    strings->CopyFrom(lines);
    state.ResumeTiming();
    strings->Sort();
    benchmark::DoNotOptimize(strings->Lines().data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StringsRemoveDuplicates(benchmark::State& state) {
  const std::vector<WideString> lines = RandomLines(state.range(0), state.range(0) / 2);
  Ref<TStrings> strings;
  for (auto _ : state) {
    state.PauseTiming();
    strings = MakeRef<TStrings>();  // the last list is freed outside the measured time
    strings->CopyFrom(lines);
    state.ResumeTiming();
    strings->RemoveDuplicates(true);
    benchmark::DoNotOptimize(strings->GetLength());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A tree of `files` empty files, 100 to a folder, folders grouped ten to a parent folder.
class FileTree {
 public:
  explicit FileTree(int files) {
    char pattern[] = "/tmp/ulka-bench-files-XXXXXX";
    root_ = mkdtemp(pattern);
    char name[64];
    fs::path dir;
    for (int i = 0; i < files; ++i) {
      if (i % 100 == 0) {
        std::snprintf(name, sizeof name, "g%d/f%d", i / 1000, i / 100);
        dir = root_ / name;
        fs::create_directories(dir);
      }
      std::snprintf(name, sizeof name, "file%d.txt", i);
      std::ofstream(dir / name);
    }
  }
  ~FileTree() { fs::remove_all(root_); }
  WideString Mask() const { return Wide((root_ / "*.txt").string()); }

 private:
  fs::path root_;
};

void BM_FileListAdd(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  FileTree tree(files);
  for (auto _ : state) {
    Ref<TFileList> list = MakeRef<TFileList>();
    if (list->Add(tree.Mask(), true) != files) state.SkipWithError("wrong count");
  }
  state.SetItemsProcessed(state.iterations() * files);
}

BENCHMARK(BM_StringsSort)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringsRemoveDuplicates)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileListAdd)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ulka

// The hosts collate by the user's locale; so does the benchmark.
int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
