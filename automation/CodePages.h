// Code pages: the name table, conversions between UTF-16 text and narrow text in a code page
// (through iconv), and charset sniffing of pages and XML text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

constexpr uint32_t CP_ACP = 0;  // the system ANSI code page
constexpr uint32_t CP_UTF8 = 65001;
constexpr uint32_t kDefaultCodePage = CP_UTF8;

struct CodePageName {
  uint32_t codePage;
  const char* name;  // lower case
};

// The 140 rows of (code page, name), in lookup order.
std::span<const CodePageName> CodePageTable();

// The first row whose name equals `name` in any letter case; 0 when there is none.
uint32_t CodePageByName(std::string_view name);
uint32_t CodePageByName(std::u16string_view name);

// The system ANSI code page: the locale's character set (UTF-8 when the locale names none).
uint32_t SystemCodePage();

// Whether text can be converted from and to `codePage` here.
bool IsCodePageSupported(uint32_t codePage);

// Text up to its first NUL in `codePage`; characters the code page lacks become its default
// character. An unusable code page gives empty narrow text. No byte-order mark is written.
std::string StrToCodePage(std::u16string_view text, uint32_t codePage);

// Narrow text up to its first NUL (a NUL unit for the UTF-16 and UTF-32 code pages); an unusable
// code page or nothing to convert gives empty text.
WideString CodePageToStr(std::string_view narrow, uint32_t codePage);

// The whole buffer as text; invalid sequences become U+FFFD; a leading U+FEFF is dropped.
// An unusable code page fails with "Invalid code page".
WideString DecodeText(std::span<const uint8_t> bytes, uint32_t codePage);

// The whole text in `codePage`, without a byte-order mark; characters the code page lacks become
// its default character. An unusable code page fails with "Invalid code page".
Bytes EncodeText(std::u16string_view text, uint32_t codePage);

// Drops one leading U+FEFF.
WideString StripBom(WideString text);

// The text between the first `start` and the first `finish` after it, markers compared without
// regard to ASCII letter case; an empty marker matches where the search begins.
std::optional<std::string> FindBetween(std::string_view text, std::string_view start,
                                       std::string_view finish);

// The code page named by an XML declaration's encoding or a page head's "charset="; 0 for none.
uint32_t DetectCodePage(std::string_view narrow);

}  // namespace ulka
