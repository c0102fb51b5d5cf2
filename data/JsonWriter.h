// The text form of a dictionary: "{", the entries as key ":" value separated by ",", "}".
// Keys are written as stored. String values are written between double quotes with only the
// double quote escaped (\"), as files of this form have always been written; text that form
// cannot hold (ending in a backslash, or a backslash right before a quote) goes between single
// quotes with '' for a quote. The reader gives back exactly what was written.
#pragma once

#include <string_view>

#include "automation/Variant.h"

namespace ulka {

class TDictionary;

class TJsonWriter {
 public:
  WideString Write(TDictionary& dictionary);

  // The general floating form with 15 significant digits ("2.5", "1E20", "1.5E-7").
  static void AppendFloat(WideString& out, double value);

 private:
  void WriteObject(TDictionary& dictionary, int depth);
  void WriteValue(const Variant& value, int depth);
  void WriteString(std::u16string_view text);
  void WriteAscii(std::string_view text);

  WideString out_;
};

}  // namespace ulka
