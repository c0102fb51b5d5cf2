// The bytes of an archive that become readable range by range, such as a sealed package that
// decrypts only what is read. A range once prepared stays readable, in the same place, for as
// long as the source lives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ulka {

class ZipByteSource {
 public:
  virtual ~ZipByteSource() = default;
  // The archive's whole extent; only prepared ranges hold its bytes.
  virtual std::span<const uint8_t> Extent() const = 0;
  // Makes [offset, offset + count) readable; the range lies inside Extent(). Callable from any
  // thread.
  virtual void Prepare(size_t offset, size_t count) const = 0;
};

}  // namespace ulka
