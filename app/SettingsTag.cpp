#include "app/SettingsTag.h"

#include <algorithm>
#include <limits>

#include "automation/ByteConvert.h"
#include "automation/Unicode.h"

namespace ulka {

// --- the attribute list ----------------------------------------------------------------------

const std::pair<WideString, WideString>* TAttributeList::Find(const WideString& name) const {
  for (const auto& item : items_) {
    if (SameText(item.first, name)) return &item;
  }
  return nullptr;
}

void TAttributeList::Set(const WideString& name, const WideString& value) {
  auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return SameText(item.first, name); });
  if (value.empty()) {
    if (found != items_.end()) items_.erase(found);
  } else if (found != items_.end()) {
    found->second = value;
  } else {
    items_.emplace_back(name, value);
  }
}

WideString TAttributeList::Value(const WideString& name) const {
  const auto* item = Find(name);
  return item ? item->second : WideString();
}

WideString TAttributeList::Lower(const WideString& name) const {
  WideString value = Value(name);
  for (char16_t& c : value) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return value;
}

std::optional<int32_t> TAttributeList::Integer(const WideString& name) const {
  const auto* item = Find(name);
  if (!item) return std::nullopt;
  return ParseTagInteger(item->second);
}

std::optional<int32_t> ParseTagInteger(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int base = 10;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    int digit = c >= u'0' && c <= u'9' ? c - u'0'
                : base == 16 && c >= u'a' && c <= u'f' ? c - u'a' + 10
                : base == 16 && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                       : -1;
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > int64_t{std::numeric_limits<uint32_t>::max()}) return std::nullopt;
  }
  if (base == 16 && !negative) return static_cast<int32_t>(static_cast<uint32_t>(value));  // $FFFFFFFF is -1
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

// --- the scanner -----------------------------------------------------------------------------

namespace {

constexpr std::string_view kTagStart = "<ulka:application";
constexpr std::string_view kTagEnd = "/>";

// The bytes up to the first zero byte: the search never looks past it.
std::span<const uint8_t> UpToZero(std::span<const uint8_t> bytes) {
  auto zero = std::find(bytes.begin(), bytes.end(), uint8_t{0});
  return bytes.first(static_cast<size_t>(zero - bytes.begin()));
}

size_t FindNoCase(std::span<const uint8_t> bytes, std::string_view what, size_t from) {
  if (what.size() > bytes.size()) return std::string_view::npos;
  for (size_t i = from; i + what.size() <= bytes.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < what.size() && same; ++k) {
      same = std::tolower(bytes[i + k]) == std::tolower(static_cast<unsigned char>(what[k]));
    }
    if (same) return i;
  }
  return std::string_view::npos;
}

bool IsSpace(uint8_t c) { return c == 9 || c == 10 || c == 13 || c == 32; }

WideString Utf8Text(std::span<const uint8_t> bytes) {
  return Wide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WalkAttributes(std::span<const uint8_t> text, TAttributeList& list) {
  size_t at = 0;
  auto skipSpace = [&] {
    while (at < text.size() && IsSpace(text[at])) ++at;
  };
  while (at < text.size()) {
    skipSpace();
    if (at >= text.size()) break;
    size_t nameStart = at;
    while (at < text.size() && !IsSpace(text[at]) && text[at] != '=') ++at;
    std::span<const uint8_t> name = text.subspan(nameStart, at - nameStart);
    skipSpace();
    if (at >= text.size() || text[at] != '=') return;
    ++at;
    skipSpace();
    if (at >= text.size() || text[at] != '"') return;
    size_t valueStart = ++at;
    while (at < text.size() && text[at] != '"') ++at;
    if (at >= text.size()) return;
    list.Set(Wide(BytesToAnsi(name)), Utf8Text(text.subspan(valueStart, at - valueStart)));
    ++at;
  }
}

}  // namespace

std::optional<TAttributeList> ParseApplicationTag(std::span<const uint8_t> page) {
  std::span<const uint8_t> bytes = UpToZero(page);
  size_t start = FindNoCase(bytes, kTagStart, 0);
  if (start == std::string_view::npos) return std::nullopt;
  size_t textStart = start + kTagStart.size();
  size_t end = FindNoCase(bytes, kTagEnd, textStart);
  if (end == std::string_view::npos) return std::nullopt;
  TAttributeList list;
  WalkAttributes(bytes.subspan(textStart, end - textStart), list);
  return list;
}

}  // namespace ulka
