// Fuzz entry for the resource-directory reader: a whole executable (PE or ELF with an appended
// block), and the same bytes taken as a bare resource section. Whatever reads must serialise and
// read back to the same bytes.
#include <cstdlib>

#include "runtime/ByteOrder.h"
#include "runtime/ExecutableResources.h"
#include "runtime/ResourceTree.h"

namespace {

using namespace ulka;

void CheckRoundTrip(const TResItem& root) {
  auto once = SerializeResourceTree(root, 0x1000);
  if (!once) return;
  std::span<const uint8_t> bytes(*once);
  DataLocator locate = [bytes](uint32_t address, uint32_t size) -> std::optional<std::span<const uint8_t>> {
    if (address < 0x1000 || !InBounds(address - 0x1000, size, bytes.size())) return std::nullopt;
    return bytes.subspan(address - 0x1000, size);
  };
  auto back = ReadResourceTree(bytes, locate, bytes.size());
  if (!back || SerializeResourceTree(*back, 0x1000) != once) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> input(data, size);
  if (auto resources = ExecutableResources::Read(input, false)) CheckRoundTrip(resources->Root());
  DataLocator inside = [input](uint32_t address, uint32_t length) -> std::optional<std::span<const uint8_t>> {
    if (!InBounds(address, length, input.size())) return std::nullopt;
    return input.subspan(address, length);
  };
  if (auto root = ReadResourceTree(input, inside, input.size())) CheckRoundTrip(*root);
  return 0;
}
