// Conversions between Variants and byte buffers, and the byte-buffer primitives every object uses.
// At the boundary bytes travel as a one-dimensional byte array with lower bound 0; an empty byte
// sequence is handed out as Empty.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "automation/Dispatch.h"
#include "automation/Variant.h"

namespace ulka {

// An array Variant (of any element type) gives as many bytes from the start of its data as its
// first dimension has elements; anything else gives no bytes.
Bytes VarToBytes(const Variant& value);
// The same bytes in place, for readers: valid while `value` lives unchanged.
std::span<const uint8_t> VarBytesView(const Variant& value);

// The buffer of a one-dimensional byte array that no other Variant shares, taken out of `value`
// (which is left Empty) instead of copied; nullopt for anything else, lent bytes included.
std::optional<Bytes> TakeOwnBytes(Variant& value);

// A non-empty buffer becomes a byte array holding a copy; an empty one becomes Empty.
Variant BytesToVar(std::span<const uint8_t> bytes);
Variant BytesToVar(Bytes&& bytes);

// Always a byte array of `count` bytes, also when `count` is 0.
Variant BufToVar(const void* data, size_t count);

// The key conversion: text beginning with "0x" is hexadecimal, other text is Base64 (lenient),
// anything else goes through VarToBytes.
Bytes VarToKey(const Variant& value);
// The same bytes, in place when the value holds bytes already; text is decoded into `decoded`.
std::span<const uint8_t> VarKeyView(const Variant& value, Bytes& decoded);

bool VarIsObject(const Variant& value);

// The object reference held by `value`, with a reference added; null for anything else.
Ref<IDispatch> VarToDispatch(const Variant& value);

// Copies `count` bytes to `position`, first growing the buffer (with zeros) when it is shorter.
void WriteBytesAt(Bytes& buffer, size_t position, const void* source, size_t count);
void AppendBytes(Bytes& buffer, const void* source, size_t count);

// `count` bytes of `source` from `offset`; a range past the end of `source` gives only the bytes
// that exist there.
Bytes CopyBytes(std::span<const uint8_t> source, size_t offset, size_t count);

Bytes AnsiToBytes(std::string_view narrow);
std::string BytesToAnsi(std::span<const uint8_t> bytes);

}  // namespace ulka
