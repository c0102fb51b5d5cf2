// Prints the size and the bytes (hexadecimal) of one of its own resources of type 23, read by
// module handle and by file name; "none" when there is none. Used by the resource tests to show
// that an executable with resources written into it still runs and finds them.
#include <cstdio>

#include "automation/Unicode.h"
#include "runtime/ResourceMembers.h"

using namespace ulka;

namespace {

void Print(const Variant& bytes) {
  if (!bytes.IsByteArray()) {
    std::puts("none");
    return;
  }
  auto span = bytes.ByteSpan();
  std::printf("%zu ", span.size());
  for (size_t i = 0; i < span.size() && i < 64; ++i) std::printf("%02x", span[i]);
  std::puts("");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Variant name(Wide(argv[1]));
  Variant handle(static_cast<int64_t>(HostModuleHandle()));
  Print(LoadResource(handle, name, Variant(int32_t{23}), 0));
  Print(LoadResource(Variant(Wide(argv[0])), name, Variant(int32_t{23}), 0));
  return 0;
}
