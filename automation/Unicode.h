// Conversions between the UTF-16 text of automation and the UTF-8 text of the platform.
#pragma once

#include <string>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

std::string Utf8(std::u16string_view text);
WideString Wide(std::string_view utf8);  // invalid sequences become U+FFFD

// Upper case by the locale's rules, one UTF-16 unit at a time (names of members and entries).
char16_t UpperChar(char16_t c);
WideString UpperCase(std::u16string_view text);
WideString LowerCase(std::u16string_view text);
bool SameText(std::u16string_view a, std::u16string_view b);  // without regard to case

}  // namespace ulka
