// Runs a fuzz entry without libFuzzer: every seed file named on the command line (or found in a
// folder named there), then a fixed number of random mutations of them, deterministically.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

void Collect(const std::filesystem::path& path, std::vector<Input>& seeds) {
  if (std::filesystem::is_directory(path)) {
    for (auto& entry : std::filesystem::directory_iterator(path)) Collect(entry.path(), seeds);
    return;
  }
  std::ifstream in(path, std::ios::binary);
  seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One mutation: overwrite bytes (often with boundary values), cut, or insert.
Input Mutate(Input input, std::mt19937& random) {
  static const uint32_t kValues[] = {0, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  int edits = 1 + random() % 8;
  for (int e = 0; e < edits && !input.empty(); ++e) {
    size_t at = random() % input.size();
    switch (random() % 4) {
      case 0: input[at] = static_cast<uint8_t>(random()); break;
      case 1: {
        uint32_t v = kValues[random() % std::size(kValues)];
        for (int i = 0; i < 4 && at + i < input.size(); ++i) input[at + i] = static_cast<uint8_t>(v >> (8 * i));
        break;
      }
      case 2: input.resize(at); break;
      default: input.insert(input.begin() + at, static_cast<uint8_t>(random())); break;
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Input> seeds;
  int mutations = 2000;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--mutations=", 0) == 0) mutations = std::atoi(arg.c_str() + 12);
    else Collect(arg, seeds);
  }
  if (seeds.empty()) {
    std::fprintf(stderr, "no seeds\n");
    return 2;
  }
  for (auto& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());
  std::mt19937 random(20261210);
  for (int i = 0; i < mutations; ++i) {
    Input input = Mutate(seeds[i % seeds.size()], random);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu seeds, %d mutations\n", seeds.size(), mutations);
  return 0;
}
