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
// Input is fed to deflate in pieces small enough to stay in the cache for the CRC.
constexpr size_t kDeflatePiece = 256 << 10;

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

Bytes RawDeflate(std::span<const uint8_t> data, int level, uint32_t* crc) {
  DeflateStream s(level);
  Bytes out(deflateBound(&s.z, static_cast<uLong>(data.size())));
  s.z.next_in = const_cast<Bytef*>(data.data());
  size_t notHanded = data.size();  // input not yet given to zlib
  size_t produced = 0;
  uLong runningCrc = 0;
  for (;;) {
    if (s.z.avail_in == 0 && notHanded > 0) {
      const size_t piece = std::min(notHanded, kDeflatePiece);
      s.z.avail_in = static_cast<uInt>(piece);
      if (crc) runningCrc = crc32_z(runningCrc, s.z.next_in, piece);
      notHanded -= piece;
    }
    if (produced == out.size()) out.resize(out.size() + kInflateChunk);
    s.z.next_out = out.data() + produced;
    s.z.avail_out = Piece(out.size() - produced);
    const size_t room = s.z.avail_out;
    const int rc = deflate(&s.z, notHanded == 0 ? Z_FINISH : Z_NO_FLUSH);
    produced += room - s.z.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipFileError(s.z.msg ? s.z.msg : zError(rc));
  }
  out.resize(produced);
  if (crc) *crc = static_cast<uint32_t>(runningCrc);
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
    const size_t made = room - s.z.avail_out;
    result.crc = static_cast<uint32_t>(crc32_z(result.crc, result.data.data() + produced, made));
    produced += made;
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
