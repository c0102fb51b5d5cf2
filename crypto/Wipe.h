// Overwriting key material so that the compiler cannot drop the store as dead.
#pragma once

#include <cstddef>
#include <cstring>

namespace ulka {

// Fills the bytes with 0xFF, the pattern the cipher state is wiped with.
inline void WipeBytes(void* data, size_t size) {
  if (size == 0) return;
  std::memset(data, 0xFF, size);
  asm volatile("" : : "r"(data) : "memory");
}

}  // namespace ulka
