// Builds archive bytes field by field, so tests can make the damaged and unusual ones.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "automation/Types.h"

namespace ulka::test {

struct RawEntry {
  std::string name;
  Bytes data;                 // written as it is
  uint16_t method = 0;        // 0 stored, 8 deflated
  uint16_t flags = 0;
  std::optional<uint32_t> crc;               // default: CRC of data (when method is 0)
  std::optional<uint32_t> compressedSize;    // default: size of data
  std::optional<uint32_t> uncompressedSize;  // default: size of data
  bool descriptor = false;    // write a data descriptor after the data
  bool descriptorSigned = true;
  uint32_t dosTime = 0x50AF5000;
};

inline void Put16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
inline void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void PutText(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline uint32_t CrcOf(const Bytes& data) {
  return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

// Local entries, then (when `central`) their central records and the end record.
inline Bytes BuildArchive(const std::vector<RawEntry>& entries, bool central = true,
                          const std::string& comment = "") {
  Bytes out;
  std::vector<uint32_t> offsets;
  auto common = [&](Bytes& o, const RawEntry& e, bool local) {
    uint32_t crc = e.crc.value_or(CrcOf(e.data));
    uint32_t cs = e.compressedSize.value_or(static_cast<uint32_t>(e.data.size()));
    uint32_t us = e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size()));
    bool zeros = local && e.descriptor;
    Put16(o, 20);
    Put16(o, e.flags);
    Put16(o, e.method);
    Put32(o, e.dosTime);
    Put32(o, zeros ? 0 : crc);
    Put32(o, zeros ? 0 : cs);
    Put32(o, zeros ? 0 : us);
    Put16(o, static_cast<uint32_t>(e.name.size()));
    Put16(o, 0);
  };
  for (const RawEntry& e : entries) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    Put32(out, 0x04034B50);
    common(out, e, true);
    PutText(out, e.name);
    out.insert(out.end(), e.data.begin(), e.data.end());
    if (e.descriptor) {
      if (e.descriptorSigned) Put32(out, 0x08074B50);
      Put32(out, e.crc.value_or(CrcOf(e.data)));
      Put32(out, e.compressedSize.value_or(static_cast<uint32_t>(e.data.size())));
      Put32(out, e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size())));
    }
  }
  if (!central) return out;
  uint32_t start = static_cast<uint32_t>(out.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    Put32(out, 0x02014B50);
    Put16(out, 20);
    common(out, entries[i], false);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, 0);
    Put32(out, offsets[i]);
    PutText(out, entries[i].name);
  }
  uint32_t size = static_cast<uint32_t>(out.size()) - start;
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put32(out, size);
  Put32(out, start);
  Put16(out, static_cast<uint32_t>(comment.size()));
  PutText(out, comment);
  return out;
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline std::string FixturePath(const std::string& name) {
  return std::string(ULKA_SOURCE_DIR) + "/tests/archive/fixtures/" + name;
}

}  // namespace ulka::test
