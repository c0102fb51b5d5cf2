#include "automation/Encodings.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "automation/LargeBuffer.h"
#include "automation/Messages.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint32_t kInvalidSextet = 0x80000000u;

using CharPair = std::array<char16_t, 2>;

// The text grows a cache-sized piece at a time, so the string's zero fill and the encoding of
// each piece meet in the cache instead of passing through memory twice.
template <class Text>
Text EncodeBase64Text(std::span<const uint8_t> bytes) {
  constexpr size_t kPieceBytes = 3 * 8192;
  Text text;
  ReserveLarge(text, Base64EncodedLength(bytes.size()));
  for (size_t offset = 0; offset < bytes.size(); offset += kPieceBytes) {
    auto piece = bytes.subspan(offset, std::min(kPieceBytes, bytes.size() - offset));
    const size_t used = text.size();
    text.resize(used + Base64EncodedLength(piece.size()));
    Base64EncodeTo(piece, text.data() + used);
  }
  return text;
}

constexpr auto kHexPairs = [] {
  std::array<CharPair, 256> pairs{};
  for (unsigned v = 0; v < 256; ++v) pairs[v] = {char16_t(kHexDigits[v >> 4]), char16_t(kHexDigits[v & 15])};
  return pairs;
}();

// The sextet of each character, already shifted to its place in a 24-bit block; characters
// outside the alphabet carry kInvalidSextet so one test covers a whole block.
using SextetTable = std::array<uint32_t, 256>;
constexpr SextetTable MakeSextetTable(int shift) {
  SextetTable table{};
  for (auto& entry : table) entry = kInvalidSextet;
  for (uint32_t v = 0; v < 64; ++v) table[static_cast<uint8_t>(kBase64Alphabet[v])] = v << shift;
  return table;
}
constexpr SextetTable kSextet0 = MakeSextetTable(18);
constexpr SextetTable kSextet1 = MakeSextetTable(12);
constexpr SextetTable kSextet2 = MakeSextetTable(6);
constexpr SextetTable kSextet3 = MakeSextetTable(0);

// The value of a Base64 character, or -1.
int SextetOf(char16_t c) {
  if (c >= 256) return -1;
  uint32_t v = kSextet3[c];
  return v == kInvalidSextet ? -1 : static_cast<int>(v);
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool IsBase64Space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Writes the 1..3 bytes of a block of `sextets` (2..4) values.
uint8_t* WriteBlock(uint8_t* out, const uint32_t* values, int sextets) {
  uint32_t block = 0;
  for (int i = 0; i < 4; ++i) block = (block << 6) | (i < sextets ? values[i] : 0);
  *out++ = static_cast<uint8_t>(block >> 16);
  if (sextets > 2) *out++ = static_cast<uint8_t>(block >> 8);
  if (sextets > 3) *out++ = static_cast<uint8_t>(block);
  return out;
}

// The group width of the custom-alphabet encoding; fails for alphabets whose length is not a
// power of two from 2 to 128 (a group value could then name no character).
int GroupWidth(size_t alphabetLength) {
  for (int w = 1; w <= 7; ++w)
    if (alphabetLength == (size_t{1} << w)) return w;
  Fail(msg::kInvalidAlphabet);
}

}  // namespace

WideString BytesToHex(std::span<const uint8_t> bytes) {
  WideString text(bytes.size() * 2, u'\0');
  char16_t* out = text.data();
  for (uint8_t b : bytes) {
    std::memcpy(out, kHexPairs[b].data(), sizeof(CharPair));
    out += 2;
  }
  return text;
}

Bytes HexToBytes(std::u16string_view text) {
  Bytes bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int high = HexValue(text[2 * i]);
    int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) break;
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return bytes;
}

Bytes Base64ToBytes(std::u16string_view text) {
  Bytes bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  uint8_t block[3];
  uint32_t values[4];
  int count = 0;
  for (char16_t c : text) {
    int v = SextetOf(c);
    if (v < 0) continue;
    values[count++] = static_cast<uint32_t>(v);
    if (count == 4) {
      WriteBlock(block, values, 4);
      bytes.insert(bytes.end(), block, block + 3);
      count = 0;
    }
  }
  if (count >= 2) {
    uint8_t* end = WriteBlock(block, values, count);
    bytes.insert(bytes.end(), block, end);
  }
  return bytes;
}

size_t Base64EncodedLength(size_t byteCount) { return (byteCount + 2) / 3 * 4; }

WideString Base64Encode(std::span<const uint8_t> bytes) {
  return EncodeBase64Text<WideString>(bytes);
}

std::string Base64EncodeAscii(std::span<const uint8_t> bytes) {
  return EncodeBase64Text<std::string>(bytes);
}

Bytes Base64Decode(std::u16string_view text) {
  const size_t n = text.size();
  const char16_t* in = text.data();
  Bytes bytes(n / 4 * 3 + 3);
  uint8_t* out = bytes.data();
  uint32_t values[4];
  int count = 0;    // characters of the current block read so far
  int padding = 0;  // "=" read in the current block
  bool closed = false;  // a padded block ended the data
  size_t i = 0;
  while (i < n) {
    // Whole blocks of alphabet characters, the common case, go four characters at a time.
    if (count == 0 && !closed) {
      while (i + 4 <= n) {
        char16_t c0 = in[i], c1 = in[i + 1], c2 = in[i + 2], c3 = in[i + 3];
        if ((c0 | c1 | c2 | c3) >= 256) break;
        uint32_t block = kSextet0[c0] | kSextet1[c1] | kSextet2[c2] | kSextet3[c3];
        if (block & kInvalidSextet) break;
        out[0] = static_cast<uint8_t>(block >> 16);
        out[1] = static_cast<uint8_t>(block >> 8);
        out[2] = static_cast<uint8_t>(block);
        out += 3;
        i += 4;
      }
      if (i >= n) break;
    }
    char16_t c = in[i++];
    if (IsBase64Space(c)) continue;
    if (closed) Fail(msg::kInvalidBase64);
    if (c == u'=') {
      if (count < 2) Fail(msg::kInvalidBase64);
      ++padding;
      values[count++] = 0;
    } else {
      int v = SextetOf(c);
      if (v < 0 || padding) Fail(msg::kInvalidBase64);
      values[count++] = static_cast<uint32_t>(v);
    }
    if (count == 4) {
      out = WriteBlock(out, values, 4 - padding);
      closed = padding > 0;
      count = 0;
    }
  }
  if (count == 1 || (count > 0 && padding)) Fail(msg::kInvalidBase64);
  if (count > 0) out = WriteBlock(out, values, count);
  bytes.resize(static_cast<size_t>(out - bytes.data()));
  return bytes;
}

Bytes Md5Bytes(std::span<const uint8_t> bytes) {
  Bytes digest(16);
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr) ||
      length != digest.size())
    Fail("MD5 is not available");
  return digest;
}

WideString EncodeBits(std::span<const uint8_t> bytes, std::u16string_view alphabet) {
  const int width = GroupWidth(alphabet.size());
  const uint32_t mask = (1u << width) - 1;
  WideString text;
  text.reserve((bytes.size() * 8 + width - 1) / width);
  uint32_t bits = 0;
  int available = 0;
  for (uint8_t b : bytes) {
    bits |= uint32_t(b) << available;
    available += 8;
    while (available >= width) {
      text.push_back(alphabet[bits & mask]);
      bits >>= width;
      available -= width;
    }
  }
  if (available > 0) text.push_back(alphabet[bits & mask]);
  return text;
}

Bytes DecodeBits(std::u16string_view text, std::u16string_view alphabet) {
  const size_t width = static_cast<size_t>(GroupWidth(alphabet.size()));
  Bytes bytes((width * text.size() + 7) / 8);
  const size_t totalBits = bytes.size() * 8;
  size_t position = 0;
  for (char16_t c : text) {
    if (position >= totalBits) break;
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    size_t value = alphabet.find(c);
    if (value == std::u16string_view::npos) break;
    size_t count = std::min(width, totalBits - position);
    for (size_t k = 0; k < count; ++k, ++position)
      if (value >> k & 1) bytes[position / 8] |= static_cast<uint8_t>(1u << (position % 8));
  }
  return bytes;
}

}  // namespace ulka
