// Reserving room for a large buffer. Faulting in hundreds of megabytes of fresh small pages costs
// several times what filling them does, so a large reservation asks the kernel for huge pages.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace ulka {

// Reserves room for `count` elements; from a few huge pages on, the reserved memory is advised to
// use huge pages (where the system allows it on request).
template <class Buffer>
void ReserveLarge(Buffer& buffer, size_t count) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  buffer.reserve(count);
  const size_t size = count * sizeof(buffer[0]);
  if (size < 2 * kHugePage) return;
  const auto start = reinterpret_cast<uintptr_t>(buffer.data());
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (start + size) & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace ulka
