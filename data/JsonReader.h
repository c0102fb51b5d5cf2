// Reads the text form of a dictionary. The text must start with "{" at its very first
// character; keys run to the next ":" and are trimmed, quotes included as they stand; values
// are nested objects, quoted strings, numbers, true and false. Text after the closing "}" is
// ignored, and the end of the text also closes every open object.
//
// Strings between double quotes keep what is written between them, except that a backslash before
// a double quote stands for the quote (so "C:\temp\new" is a path, not a tab and a line feed).
// Beyond that, the reader takes back everything the writer writes: strings between single quotes
// (with '' for a quote), negative numbers, exponents, integers beyond 32 bits, NAN and INF, and a
// missing value (written for Empty) as Empty.
#pragma once

#include <string_view>

#include "automation/Variant.h"

namespace ulka {

class TDictionary;

class TJsonReader {
 public:
  explicit TJsonReader(std::u16string_view text) : text_(text) {}

  // Appends the entries of the object at the start of the text to `target`; false when the text
  // cannot be read (the entries read before the failure stay).
  bool Read(TDictionary& target);

 private:
  bool ReadObject(TDictionary& target, int depth);
  bool ReadValue(Variant& value, int depth);
  bool ReadNested(Variant& value, int depth);
  bool ReadString(Variant& value);
  bool ReadSingleQuoted(Variant& value);
  bool ReadNumber(Variant& value);
  bool ReadWord(Variant& value);
  void SkipBlanks();
  bool At(char16_t c) const { return pos_ < text_.size() && text_[pos_] == c; }
  bool AtDigit(size_t at) const { return at < text_.size() && text_[at] >= u'0' && text_[at] <= u'9'; }

  std::u16string_view text_;
  size_t pos_ = 0;
};

}  // namespace ulka
