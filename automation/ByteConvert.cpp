#include "automation/ByteConvert.h"

#include <algorithm>
#include <cstring>

#include "automation/Encodings.h"

namespace ulka {

Bytes VarToBytes(const Variant& value) {
  if (!value.IsArray()) return {};
  const auto& array = value.Array();
  if (!array) return {};
  // Only the packed data of plain element types is copied; text, object and Variant elements
  // have no byte form, so such arrays give no bytes.
  size_t count = std::min(array->FirstDimensionCount(), array->data.size());
  return Bytes(array->data.begin(), array->data.begin() + static_cast<ptrdiff_t>(count));
}

Variant BytesToVar(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return Variant();
  return Variant::FromBytes(Bytes(bytes.begin(), bytes.end()));
}

Variant BytesToVar(Bytes&& bytes) {
  if (bytes.empty()) return Variant();
  return Variant::FromBytes(std::move(bytes));
}

Variant BufToVar(const void* data, size_t count) {
  const auto* first = static_cast<const uint8_t*>(data);
  return Variant::FromBytes(count ? Bytes(first, first + count) : Bytes());
}

static bool HasHexPrefix(std::u16string_view text) {
  return text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
}

Bytes VarToKey(const Variant& value) {
  if (!value.IsText()) return VarToBytes(value);
  std::u16string_view text = value.Text();
  if (HasHexPrefix(text)) return HexToBytes(text.substr(2));
  return Base64ToBytes(text);
}

bool VarIsObject(const Variant& value) { return value.Type() == VT_DISPATCH; }

Ref<IDispatch> VarToDispatch(const Variant& value) {
  if (!VarIsObject(value)) return nullptr;
  return Ref<IDispatch>(value.Dispatch());
}

void WriteBytesAt(Bytes& buffer, size_t position, const void* source, size_t count) {
  if (count == 0) return;
  if (buffer.size() < position + count) buffer.resize(position + count);
  std::memcpy(buffer.data() + position, source, count);
}

void AppendBytes(Bytes& buffer, const void* source, size_t count) {
  WriteBytesAt(buffer, buffer.size(), source, count);
}

Bytes CopyBytes(std::span<const uint8_t> source, size_t offset, size_t count) {
  if (offset >= source.size()) return {};
  count = std::min(count, source.size() - offset);
  return Bytes(source.begin() + static_cast<ptrdiff_t>(offset),
               source.begin() + static_cast<ptrdiff_t>(offset + count));
}

Bytes AnsiToBytes(std::string_view narrow) { return Bytes(narrow.begin(), narrow.end()); }

std::string BytesToAnsi(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace ulka
