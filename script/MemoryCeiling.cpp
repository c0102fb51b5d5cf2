#include "script/MemoryCeiling.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace ulka {
namespace {

size_t PhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<size_t>(pages) * static_cast<size_t>(pageSize) : 0;
}

size_t ResidentBytes() {
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  unsigned long size = 0, resident = 0;
  const bool read = std::fscanf(statm, "%lu %lu", &size, &resident) == 2;
  std::fclose(statm);
  return read ? resident * static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

size_t CeilingFromEnvironment() {
  const char* text = std::getenv("ULKA_SCRIPT_MEMORY_LIMIT_MB");
  if (text && *text) {
    char* end = nullptr;
    const unsigned long long mebibytes = std::strtoull(text, &end, 10);
    if (end && *end == '\0') return static_cast<size_t>(mebibytes) << 20;
  }
  return PhysicalMemory() / 2;
}

}  // namespace

size_t ScriptMemoryCeiling() {
  static const size_t ceiling = CeilingFromEnvironment();
  return ceiling;
}

bool ScriptMemoryExceeded() {
  const size_t ceiling = ScriptMemoryCeiling();
  return ceiling != 0 && ResidentBytes() > ceiling;
}

}  // namespace ulka
