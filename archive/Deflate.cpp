#include "archive/Deflate.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "archive/ZipFile.h"

namespace ulka {

namespace {

constexpr int kRawWindowBits = -15;
constexpr int kMemLevel = 8;
// Deflate cannot expand data more than about 1032 times; a larger claimed size is not believed
// until the data yields it.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr size_t kInflateChunk = 1 << 20;

struct DeflateStream {
  z_stream z{};
  explicit DeflateStream(int level) {
    if (deflateInit2(&z, level, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK)
      throw EZipFileError("deflate initialisation failed");
  }
  ~DeflateStream() { deflateEnd(&z); }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;
};

struct InflateStream {
  z_stream z{};
  InflateStream() {
    if (inflateInit2(&z, kRawWindowBits) != Z_OK) throw EZipFileError("inflate initialisation failed");
  }
  ~InflateStream() { inflateEnd(&z); }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
};

// zlib counts in 32-bit units; large buffers are fed in pieces.
uInt Piece(size_t n) { return static_cast<uInt>(std::min<size_t>(n, 1u << 30)); }

}  // namespace

Bytes RawDeflate(std::span<const uint8_t> data, int level) {
  DeflateStream s(level);
  Bytes out(deflateBound(&s.z, static_cast<uLong>(data.size())));
  s.z.next_in = const_cast<Bytef*>(data.data());
  size_t inLeft = data.size();
  size_t produced = 0;
  for (;;) {
    s.z.avail_in = Piece(inLeft);
    size_t fed = s.z.avail_in;
    if (produced == out.size()) out.resize(out.size() + kInflateChunk);
    s.z.next_out = out.data() + produced;
    s.z.avail_out = Piece(out.size() - produced);
    size_t room = s.z.avail_out;
    int rc = deflate(&s.z, fed == inLeft ? Z_FINISH : Z_NO_FLUSH);
    inLeft -= fed - s.z.avail_in;
    produced += room - s.z.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipFileError(s.z.msg ? s.z.msg : zError(rc));
  }
  out.resize(produced);
  return out;
}

InflateResult RawInflate(std::span<const uint8_t> compressed, uint64_t limit) {
  InflateStream s;
  InflateResult result;
  uint64_t believable = std::min<uint64_t>(limit, compressed.size() * kMaxDeflateRatio + 64);
  result.data.resize(static_cast<size_t>(believable));
  s.z.next_in = const_cast<Bytef*>(compressed.data());
  size_t inLeft = compressed.size();
  size_t produced = 0;
  for (;;) {
    if (produced == limit) {
      result.complete = true;
      break;
    }
    if (produced == result.data.size())
      result.data.resize(static_cast<size_t>(std::min<uint64_t>(limit, produced + std::max(produced, kInflateChunk))));
    s.z.avail_in = Piece(inLeft);
    size_t fed = s.z.avail_in;
    s.z.next_out = result.data.data() + produced;
    s.z.avail_out = Piece(result.data.size() - produced);
    size_t room = s.z.avail_out;
    int rc = inflate(&s.z, Z_NO_FLUSH);
    inLeft -= fed - s.z.avail_in;
    produced += room - s.z.avail_out;
    if (rc == Z_STREAM_END) {
      result.complete = true;
      break;
    }
    if (rc == Z_BUF_ERROR && inLeft == 0 && s.z.avail_in == 0) break;  // the data ran out
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipFileError(s.z.msg ? s.z.msg : zError(rc));
  }
  result.data.resize(produced);
  return result;
}

uint32_t Crc32(std::span<const uint8_t> data) {
  return static_cast<uint32_t>(crc32_z(0, data.data(), data.size()));
}

}  // namespace ulka
