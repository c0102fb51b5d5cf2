// Small text helpers shared by the object kinds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Types.h"

namespace ulka {

// Splits at every occurrence of `separator`; empty pieces are dropped.
std::vector<WideString> SplitText(std::u16string_view text, char16_t separator);

// Every occurrence of `from` becomes `to`.
WideString ReplaceChar(WideString text, char16_t from, char16_t to);

// Decimal digits, padded on the left with "0" to at least `width` characters
// (a minus sign comes before the padding).
WideString ZeroPad(int64_t number, int width);

// Names of the system (schemes, tags, attributes, verbs, header names, file extensions) compare in
// ASCII case rules, whatever the process locale: under a Turkish locale, "FILE" still lower-cases
// to "file".
std::string AsciiLower(std::string_view text);
bool AsciiSameText(std::string_view a, std::string_view b);

// A message with its "%s" filled by `text`.
WideString FormatText(const char* format, std::u16string_view text);

}  // namespace ulka
