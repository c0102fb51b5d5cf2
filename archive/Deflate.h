// Raw deflate data (no zlib header or trailer) and the zip CRC-32, on zlib.
#pragma once

#include <cstdint>
#include <span>

#include "automation/Types.h"

namespace ulka {

inline constexpr int kDefaultCompression = -1;  // zlib's default, level 6

// Deflates `data` (window of 15 bits, memory level 8). With `crc`, also computes the CRC-32 of
// `data` piece by piece as it is fed, while each piece is still in the cache.
Bytes RawDeflate(std::span<const uint8_t> data, int level = kDefaultCompression,
                 uint32_t* crc = nullptr);

// Inflates at most `limit` bytes (an entry's declared size) into a buffer reserved once, as large
// as `limit` or as the data could possibly yield, whichever is less: the result never needs more
// memory than that, and a header that claims a huge size costs only address space until the data
// proves it. `complete` tells whether the stream ended or `limit` bytes came out; `overrun` that
// the stream would have yielded more than `limit` bytes. Corrupt data throws EZipFileError with
// zlib's message.
struct InflateResult {
  Bytes data;
  bool complete = false;
  bool overrun = false;
  uint32_t crc = 0;  // CRC-32 of `data`, computed as it came out
};
InflateResult RawInflate(std::span<const uint8_t> compressed, uint64_t limit);

// CRC-32 with the reflected polynomial 0xEDB88320; empty data gives 0.
uint32_t Crc32(std::span<const uint8_t> data);

}  // namespace ulka
