#include "data/Strings.h"

#include <algorithm>
#include <string_view>

#include "automation/TextUtils.h"
#include "automation/ByteConvert.h"
#include "automation/CodePages.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "data/Collation.h"

namespace ulka {

const InterfaceInfo& TStrings::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TStrings>("IStrings", "{40052A2E-6D9C-4435-A822-A695A8C3EFD6}",
                                 "Dispatch interface for Strings Object")
          .Method(201, "Load", &TStrings::Load, {Arg("Source"), Opt("CodePage", uint16_t{65001})})
          .Method(202, "Save", &TStrings::Save, {Arg("FileName"), Opt("CodePage", uint16_t{65001})})
          .Method(203, "Add", &TStrings::Add, {Arg("Text")})
          .Method(204, "RemoveAt", &TStrings::RemoveAt, {Arg("Index")})
          .Method(205, "RemoveAll", &TStrings::RemoveAll)
          .Method(206, "Sort", &TStrings::Sort)
          .Method(207, "RemoveDuplicates", &TStrings::RemoveDuplicates, {Opt("RemoveEmpty", true)})
          .Property(208, "Text", &TStrings::GetText, &TStrings::SetText)
          .Property(0, "Lines", &TStrings::GetLines, &TStrings::SetLines, {Arg("Index")})
          .Getter(210, "Length", &TStrings::GetLength)
          .Property(211, "Values", &TStrings::GetValues, &TStrings::SetValues, {Arg("Name")})
          .Method(212, "IndexOf", &TStrings::IndexOf, {Arg("Text")})
          .Method(213, "GetValue", &TStrings::GetValue, {Arg("Name"), Opt("Default", u"")})
          .Build();
  return info;
}

std::vector<WideString> SplitLines(std::u16string_view text) {
  std::vector<WideString> lines;
  size_t i = 0;
  while (i < text.size() && text[i] != u'\0') {
    const size_t start = i;
    while (i < text.size() && text[i] != u'\r' && text[i] != u'\n' && text[i] != u'\0') ++i;
    lines.emplace_back(text.substr(start, i - start));
    if (i < text.size() && text[i] == u'\r') ++i;
    if (i < text.size() && text[i] == u'\n') ++i;
  }
  return lines;
}

namespace {

// Empty after trimming every character up to and including the space.
bool IsBlank(std::u16string_view line) {
  return std::all_of(line.begin(), line.end(), [](char16_t c) { return c <= u' '; });
}

// One line's place in a sort: the first bytes of its collation key inline, so that most
// comparisons stay within one contiguous array, and the whole key in a shared arena.
struct SortEntry {
  uint64_t prefix;
  uint64_t offset;
  uint32_t length;
  uint32_t line;
};

uint64_t KeyPrefix(std::string_view key) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i)
    prefix = (prefix << 8) | (i < key.size() ? static_cast<uint8_t>(key[i]) : 0);
  return prefix;
}

// The order of the lines by the locale collation of their case-folded text; each key is computed
// once, and lines that compare equal come in no particular order.
std::vector<uint32_t> SortedOrder(const std::vector<WideString>& lines) {
  const Collator collator;
  std::string arena;
  std::vector<SortEntry> entries(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t offset = arena.size();
    collator.AppendKey(lines[i], arena);
    const std::string_view key = std::string_view(arena).substr(offset);
    entries[i] = {KeyPrefix(key), offset, static_cast<uint32_t>(key.size()), static_cast<uint32_t>(i)};
  }
  const std::string_view keys(arena);
  std::sort(entries.begin(), entries.end(), [keys](const SortEntry& a, const SortEntry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (a.length <= 8 && b.length <= 8) return a.length < b.length;  // the prefixes are the keys
    return keys.substr(a.offset, a.length) < keys.substr(b.offset, b.length);
  });
  std::vector<uint32_t> order(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].line;
  return order;
}

}  // namespace

void TStrings::CheckIndex(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FLines.size()) FailIndex(index);
}

bool TStrings::Load(const Variant& Source, uint16_t CodePage) {
  Bytes bytes;
  if (Source.IsArray()) {
    bytes = VarToBytes(Source);
  } else if (Source.IsText()) {
    if (!ReadFileBytes(Source.Text(), bytes)) return false;
  }
  FLines = SplitLines(DecodeText(bytes, CodePage));
  return true;
}

void TStrings::Save(const WideString& FileName, uint16_t CodePage) {
  // Losing the lines silently would be worse than telling the script the file was not written.
  if (!WriteFileBytes(FileName, EncodeText(GetText(), CodePage)))
    throw EVekError(FormatText(msg::kCannotCreateFile, FileName), E_FAIL);
}

Ref<TStrings> TStrings::Add(const WideString& Text) {
  FLines.push_back(Text);
  return Ref<TStrings>(this);
}

void TStrings::RemoveAt(int32_t Index) {
  CheckIndex(Index);
  FLines.erase(FLines.begin() + Index);
}

void TStrings::RemoveAll() { FLines.clear(); }

namespace {

// Lines are visited in sorted order, which is random in memory: ask for each line's object, and
// then its characters, some steps ahead, so that large lists do not wait on every access.
class AheadReader {
 public:
  AheadReader(const std::vector<WideString>& lines, const std::vector<uint32_t>& order)
      : lines_(lines), order_(order) {}

  void Prefetch(size_t step) const {
    if (step + kFar < order_.size()) __builtin_prefetch(&lines_[order_[step + kFar]]);
    if (step + kNear < order_.size()) __builtin_prefetch(lines_[order_[step + kNear]].data());
  }

 private:
  static constexpr size_t kFar = 64;
  static constexpr size_t kNear = 32;
  const std::vector<WideString>& lines_;
  const std::vector<uint32_t>& order_;
};

}  // namespace

void TStrings::Sort() {
  const std::vector<uint32_t> order = SortedOrder(FLines);
  const AheadReader ahead(FLines, order);
  std::vector<WideString> sorted;
  sorted.reserve(FLines.size());
  for (size_t step = 0; step < order.size(); ++step) {
    ahead.Prefetch(step);
    sorted.push_back(std::move(FLines[order[step]]));
  }
  FLines = std::move(sorted);
}

void TStrings::RemoveDuplicates(bool RemoveEmpty) {
  // In sorted order, a line exactly equal (by code units) to the last line that stayed goes;
  // blank lines go after that when asked. One pass, whatever the number of duplicates.
  const std::vector<uint32_t> order = SortedOrder(FLines);
  const AheadReader ahead(FLines, order);
  std::vector<WideString> kept;
  kept.reserve(FLines.size());  // no reallocation, so `last` stays valid
  const WideString* last = nullptr;
  for (size_t step = 0; step < order.size(); ++step) {
    ahead.Prefetch(step);
    WideString& line = FLines[order[step]];
    if (last && *last == line) continue;
    if (RemoveEmpty && IsBlank(line)) {
      last = &line;
      continue;
    }
    kept.push_back(std::move(line));
    last = &kept.back();
  }
  FLines = std::move(kept);
}

WideString TStrings::GetText() {
  size_t size = 0;
  for (const WideString& line : FLines) size += line.size() + 2;
  WideString text;
  text.reserve(size);
  for (const WideString& line : FLines) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

void TStrings::SetText(const WideString& Value) { FLines = SplitLines(Value); }

WideString TStrings::GetLines(int32_t Index) {
  CheckIndex(Index);
  return FLines[Index];
}

void TStrings::SetLines(int32_t Index, const WideString& Value) {
  CheckIndex(Index);
  FLines[Index] = Value;
}

int32_t TStrings::GetLength() { return static_cast<int32_t>(FLines.size()); }

int TStrings::IndexOfName(std::u16string_view name) const {
  for (size_t i = 0; i < FLines.size(); ++i) {
    const size_t eq = FLines[i].find(u'=');
    if (eq != WideString::npos && SameTextLocale(std::u16string_view(FLines[i]).substr(0, eq), name))
      return static_cast<int>(i);
  }
  return -1;
}

WideString TStrings::GetValues(const WideString& Name) { return GetValue(Name, WideString()); }

void TStrings::SetValues(const WideString& Name, const WideString& Value) {
  const int i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) FLines.erase(FLines.begin() + i);
  } else if (i >= 0) {
    FLines[i] = Name + u"=" + Value;
  } else {
    FLines.push_back(Name + u"=" + Value);
  }
}

int32_t TStrings::IndexOf(const WideString& Text) {
  for (size_t i = 0; i < FLines.size(); ++i)
    if (SameTextLocale(FLines[i], Text)) return static_cast<int32_t>(i);
  return -1;
}

WideString TStrings::GetValue(const WideString& Name, const WideString& Default) {
  const int i = IndexOfName(Name);
  if (i < 0) return Default;
  return FLines[i].substr(FLines[i].find(u'=') + 1);
}

void TStrings::CopyFrom(const std::vector<WideString>& ASource) { FLines = ASource; }

}  // namespace ulka
