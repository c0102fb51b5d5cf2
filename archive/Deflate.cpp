#include "archive/Deflate.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "archive/ZipFile.h"

namespace ulka {

namespace {

constexpr int kRawWindowBits = -15;
constexpr int kMemLevel = 8;
// Deflate cannot expand data more than about 1032 times; a larger claimed size is never reserved.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr size_t kDeflateGrowth = 1 << 20;
constexpr size_t kInflatePiece = 128 << 10;
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
    if (produced == out.size()) out.resize(out.size() + kDeflateGrowth);
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

namespace {

// Whether the stream yields another byte after the output so far; damaged data there counts as
// more, since the entry is not what its header says either way.
bool YieldsMore(InflateStream& s, size_t& inLeft) {
  uint8_t extra;
  for (;;) {
    s.z.avail_in = Piece(inLeft);
    const size_t fed = s.z.avail_in;
    s.z.next_out = &extra;
    s.z.avail_out = 1;
    const int rc = inflate(&s.z, Z_NO_FLUSH);
    inLeft -= fed - s.z.avail_in;
    if (s.z.avail_out == 0) return true;
    if (rc == Z_STREAM_END || rc == Z_BUF_ERROR) return false;  // ended, or the data ran out
    if (rc != Z_OK) return true;
  }
}

}  // namespace

// Inflates into a small buffer that stays in the cache and appends each piece to the result, so
// the result is written once and never zero-filled; the CRC is taken while the piece is hot. The
// result's memory is reserved once, so it is never copied to a larger block.
InflateResult RawInflate(std::span<const uint8_t> compressed, uint64_t limit) {
  InflateStream s;
  InflateResult result;
  result.data.reserve(static_cast<size_t>(std::min(limit, compressed.size() * kMaxDeflateRatio + 64)));
  auto piece = std::make_unique_for_overwrite<uint8_t[]>(kInflatePiece);
  s.z.next_in = const_cast<Bytef*>(compressed.data());
  size_t inLeft = compressed.size();
  uLong crc = 0;
  for (;;) {
    const uint64_t wanted = limit - result.data.size();
    if (wanted == 0) {
      result.complete = true;
      result.overrun = YieldsMore(s, inLeft);
      break;
    }
    s.z.avail_in = Piece(inLeft);
    const size_t fed = s.z.avail_in;
    const size_t room = static_cast<size_t>(std::min<uint64_t>(wanted, kInflatePiece));
    s.z.next_out = piece.get();
    s.z.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&s.z, Z_NO_FLUSH);
    inLeft -= fed - s.z.avail_in;
    const size_t made = room - s.z.avail_out;
    crc = crc32_z(crc, piece.get(), made);
    result.data.insert(result.data.end(), piece.get(), piece.get() + made);
    if (rc == Z_STREAM_END) {
      result.complete = true;
      break;
    }
    if (rc == Z_BUF_ERROR && inLeft == 0 && s.z.avail_in == 0) break;  // the data ran out
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipFileError(s.z.msg ? s.z.msg : zError(rc));
  }
  result.crc = static_cast<uint32_t>(crc);
  return result;
}

uint32_t Crc32(std::span<const uint8_t> data) {
  return static_cast<uint32_t>(crc32_z(0, data.data(), data.size()));
}

}  // namespace ulka
