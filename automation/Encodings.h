// Text encodings of binary data (hexadecimal, Base64, custom alphabets) and the MD5 digest.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

// Two upper-case hexadecimal digits per byte, high nibble first.
WideString BytesToHex(std::span<const uint8_t> bytes);

// (length div 2) bytes; pairs convert from the start until the first pair that is not two
// hexadecimal digits, the rest staying 0. An odd last character is ignored. Never fails.
Bytes HexToBytes(std::u16string_view text);

// Lenient Base64 for keys: every character outside the alphabet ("=" included) is skipped.
Bytes Base64ToBytes(std::u16string_view text);

// Standard Base64 with "=" padding, on one line.
WideString Base64Encode(std::span<const uint8_t> bytes);
// The same text as ASCII, for callers that hand text on as narrow strings (half the memory).
std::string Base64EncodeAscii(std::span<const uint8_t> bytes);
// The same text written to `out`, which holds Base64EncodedLength(bytes.size()) characters.
size_t Base64EncodedLength(size_t byteCount);
void Base64EncodeTo(std::span<const uint8_t> bytes, char16_t* out);
void Base64EncodeTo(std::span<const uint8_t> bytes, char* out);

// Strict Base64. Whitespace (line breaks included) is skipped. Any other character outside the
// alphabet, "=" anywhere but at the end of the last block, text after the padding, or a last block
// of a single character fails with "Invalid Base64 text". A last block of two or three characters
// without padding gives its one or two bytes.
Bytes Base64Decode(std::u16string_view text);

// The 16-byte MD5 digest.
Bytes Md5Bytes(std::span<const uint8_t> bytes);

// The custom-alphabet encoding: the bytes as a bit stream, least significant bit first, cut into
// groups as wide as the alphabet needs, each group naming a character of the alphabet. The
// alphabet must have 2, 4, 8, 16, 32, 64 or 128 characters; other lengths fail.
WideString EncodeBits(std::span<const uint8_t> bytes, std::u16string_view alphabet);

// The reverse of EncodeBits into (w * length + 7) div 8 bytes; lower-case ASCII letters of the
// text are taken as upper case, and decoding stops at the first character not in the alphabet.
Bytes DecodeBits(std::u16string_view text, std::u16string_view alphabet);

}  // namespace ulka
