#include "automation/ByteConvert.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "automation/Encodings.h"

namespace ulka {

std::span<const uint8_t> VarBytesView(const Variant& value) {
  if (!value.IsArray()) return {};
  const auto& array = value.Array();
  if (!array) return {};
  // Only the packed data of plain element types counts; text, object and Variant elements have
  // no byte form, so such arrays give no bytes.
  std::span<const uint8_t> packed = array->Packed();
  return packed.first(std::min(array->FirstDimensionCount(), packed.size()));
}

Bytes VarToBytes(const Variant& value) {
  std::span<const uint8_t> bytes = VarBytesView(value);
  return Bytes(bytes.begin(), bytes.end());
}

std::optional<Bytes> TakeOwnBytes(Variant& value) {
  if (value.RawType() != (VT_UI1 | VT_ARRAY)) return std::nullopt;
  const std::shared_ptr<SafeArray>& array = value.Array();
  // A count of one means this Variant is the only holder: no other thread can reach the array.
  if (!array || array.use_count() != 1 || array->lent || array->bounds.size() != 1 ||
      array->data.size() != array->bounds[0].count) {
    return std::nullopt;
  }
  // Whatever another holder did with the array before letting go happened before this.
  std::atomic_thread_fence(std::memory_order_acquire);
  Bytes bytes = std::move(array->data);
  value.Clear();
  return bytes;
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

std::span<const uint8_t> VarKeyView(const Variant& value, Bytes& decoded) {
  if (!value.IsText()) return VarBytesView(value);
  decoded = VarToKey(value);
  return decoded;
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
