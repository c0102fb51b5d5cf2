#include "data/JsonReader.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "data/Dictionary.h"

namespace ulka {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\r' || c == u'\n'; }

// Without leading and trailing characters up to and including space.
std::u16string_view TrimKey(std::u16string_view key) {
  while (!key.empty() && key.front() <= u' ') key.remove_prefix(1);
  while (!key.empty() && key.back() <= u' ') key.remove_suffix(1);
  return key;
}

// An integer in the narrowest of 32-bit, 64-bit and unsigned 64-bit that holds it.
bool IntegerValue(const std::string& text, Variant& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  int64_t wide;
  if (std::from_chars(first, last, wide).ec == std::errc()) {
    if (wide >= std::numeric_limits<int32_t>::min() && wide <= std::numeric_limits<int32_t>::max())
      value = Variant(static_cast<int32_t>(wide));
    else
      value = Variant(wide);
    return true;
  }
  uint64_t unsignedWide;
  if (std::from_chars(first, last, unsignedWide).ec == std::errc()) {
    value = Variant(unsignedWide);
    return true;
  }
  return false;
}

bool DoubleValue(const std::string& text, Variant& value) {
  double d;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = Variant(d);
  return true;
}

}  // namespace

bool TJsonReader::Read(TDictionary& target) {
  pos_ = 0;
  return ReadObject(target, 1);
}

bool TJsonReader::ReadObject(TDictionary& target, int depth) {
  if (!At(u'{')) return false;
  ++pos_;
  for (;;) {
    if (pos_ >= text_.size()) return true;
    if (At(u'}')) {
      ++pos_;
      return true;
    }
    SkipBlanks();
    const size_t colon = text_.find(u':', pos_);
    if (colon == std::u16string_view::npos) return false;
    WideString key(TrimKey(text_.substr(pos_, colon - pos_)));
    pos_ = colon + 1;
    SkipBlanks();
    Variant value;
    if (!ReadValue(value, depth)) return false;
    target.AddMember(key, value);
    SkipBlanks();
    if (At(u',')) ++pos_;
  }
}

bool TJsonReader::ReadValue(Variant& value, int depth) {
  if (At(u'{')) return ReadNested(value, depth);
  if (At(u'"')) return ReadString(value);
  if (At(u'\'')) return ReadSingleQuoted(value);
  if (AtDigit(pos_) || (At(u'-') && AtDigit(pos_ + 1))) return ReadNumber(value);
  return ReadWord(value);
}

bool TJsonReader::ReadNested(Variant& value, int depth) {
  if (depth >= kMaxDictionaryDepth) return false;
  Ref<TDictionary> nested = MakeRef<TDictionary>();
  if (!ReadObject(*nested, depth + 1)) return false;
  value = Variant(static_cast<IDispatch*>(nested.get()));
  return true;
}

// Between double quotes a backslash makes the character after it part of the string, and a
// backslash before a double quote stands for the quote; every other backslash stays as written.
bool TJsonReader::ReadString(Variant& value) {
  ++pos_;
  WideString text;
  for (; pos_ < text_.size(); ++pos_) {
    const char16_t c = text_[pos_];
    if (c == u'"') {
      value = Variant(std::move(text));
      ++pos_;
      return true;
    }
    if (c == u'\\' && pos_ + 1 < text_.size()) {
      const char16_t next = text_[++pos_];
      if (next != u'"') text += c;
      text += next;
      continue;
    }
    text += c;
  }
  return false;
}

// Between single quotes (the form the writer uses for text the double-quoted form cannot hold),
// two single quotes stand for one and everything else is as written.
bool TJsonReader::ReadSingleQuoted(Variant& value) {
  ++pos_;
  WideString text;
  for (; pos_ < text_.size(); ++pos_) {
    const char16_t c = text_[pos_];
    if (c != u'\'') {
      text += c;
    } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\'') {
      text += c;
      ++pos_;
    } else {
      value = Variant(std::move(text));
      ++pos_;
      return true;
    }
  }
  return false;
}

// Digits and points, then an exponent when one follows: with neither point nor exponent an
// integer, else a double; more than one point fails.
bool TJsonReader::ReadNumber(Variant& value) {
  const size_t start = pos_;
  if (At(u'-')) ++pos_;
  int points = 0;
  while (AtDigit(pos_) || At(u'.')) {
    if (At(u'.')) ++points;
    ++pos_;
  }
  if (points > 1) return false;
  bool exponent = false;
  if (At(u'E') || At(u'e')) {
    size_t after = pos_ + 1;
    if (after < text_.size() && (text_[after] == u'+' || text_[after] == u'-')) ++after;
    if (AtDigit(after)) {
      exponent = true;
      pos_ = after;
      while (AtDigit(pos_)) ++pos_;
    }
  }
  std::string text(text_.begin() + static_cast<ptrdiff_t>(start),
                   text_.begin() + static_cast<ptrdiff_t>(pos_));
  if (points == 0 && !exponent) return IntegerValue(text, value) || DoubleValue(text, value);
  return DoubleValue(text, value);
}

bool TJsonReader::ReadWord(Variant& value) {
  const size_t start = pos_;
  while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != u',' && text_[pos_] != u'}')
    ++pos_;
  const std::u16string_view word = text_.substr(start, pos_ - start);
  if (word.empty()) {
    value = Variant();
  } else if (word == u"true") {
    value = Variant(true);
  } else if (word == u"false") {
    value = Variant(false);
  } else if (word == u"NAN") {
    value = Variant(std::numeric_limits<double>::quiet_NaN());
  } else if (word == u"INF") {
    value = Variant(std::numeric_limits<double>::infinity());
  } else if (word == u"-INF") {
    value = Variant(-std::numeric_limits<double>::infinity());
  } else {
    return false;
  }
  return true;
}

void TJsonReader::SkipBlanks() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

}  // namespace ulka
