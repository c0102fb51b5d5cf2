#include "automation/CodePages.h"

#include <langinfo.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "automation/Iconv.h"
#include "automation/Messages.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

constexpr std::array<CodePageName, 140> kCodePageNames{{
    {37, "ibm037"}, {437, "ibm437"}, {500, "ibm500"}, {708, "asmo-708"}, {720, "dos-720"},
    {737, "ibm737"}, {775, "ibm775"}, {850, "ibm850"}, {852, "ibm852"}, {855, "ibm855"},
    {857, "ibm857"}, {858, "ibm00858"}, {860, "ibm860"}, {861, "ibm861"}, {862, "dos-862"},
    {863, "ibm863"}, {864, "ibm864"}, {865, "ibm865"}, {866, "cp866"}, {869, "ibm869"},
    {870, "ibm870"}, {874, "windows-874"}, {875, "cp875"}, {932, "shift_jis"}, {936, "gb2312"},
    {949, "ks_c_5601-1987"}, {950, "big5"}, {1026, "ibm1026"}, {1047, "ibm01047"},
    {1140, "ibm01140"}, {1141, "ibm01141"}, {1142, "ibm01142"}, {1143, "ibm01143"},
    {1144, "ibm01144"}, {1145, "ibm01145"}, {1146, "ibm01146"}, {1147, "ibm01147"},
    {1148, "ibm01148"}, {1149, "ibm01149"}, {1200, "utf-16"}, {1201, "unicodefffe"},
    {1250, "windows-1250"}, {1251, "windows-1251"}, {1252, "windows-1252"},
    {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"}, {1361, "johab"},
    {10000, "macintosh"}, {10001, "x-mac-japanese"}, {10002, "x-mac-chinesetrad"},
    {10003, "x-mac-korean"}, {10004, "x-mac-arabic"}, {10005, "x-mac-hebrew"},
    {10006, "x-mac-greek"}, {10007, "x-mac-cyrillic"}, {10008, "x-mac-chinesesimp"},
    {10010, "x-mac-romanian"}, {10017, "x-mac-ukrainian"}, {10021, "x-mac-thai"},
    {10029, "x-mac-ce"}, {10079, "x-mac-icelandic"}, {10081, "x-mac-turkish"},
    {10082, "x-mac-croatian"}, {12000, "utf-32"}, {12001, "utf-32be"}, {20000, "x-chinese_cns"},
    {20001, "x-cp20001"}, {20002, "x_chinese-eten"}, {20003, "x-cp20003"}, {20004, "x-cp20004"},
    {20005, "x-cp20005"}, {20105, "x-ia5"}, {20106, "x-ia5-german"}, {20107, "x-ia5-swedish"},
    {20108, "x-ia5-norwegian"}, {20127, "us-ascii"}, {20261, "x-cp20261"}, {20269, "x-cp20269"},
    {20273, "ibm273"}, {20277, "ibm277"}, {20278, "ibm278"}, {20280, "ibm280"}, {20284, "ibm284"},
    {20285, "ibm285"}, {20290, "ibm290"}, {20297, "ibm297"}, {20420, "ibm420"}, {20423, "ibm423"},
    {20424, "ibm424"}, {20833, "x-ebcdic-koreanextended"}, {20838, "ibm-thai"},
    {20866, "koi8-r"}, {20871, "ibm871"}, {20880, "ibm880"}, {20905, "ibm905"},
    {20924, "ibm00924"}, {20932, "euc-jp"}, {20936, "x-cp20936"}, {20949, "x-cp20949"},
    {21025, "cp1025"}, {21866, "koi8-u"}, {28591, "iso-8859-1"}, {28592, "iso-8859-2"},
    {28593, "iso-8859-3"}, {28594, "iso-8859-4"}, {28595, "iso-8859-5"}, {28596, "iso-8859-6"},
    {28597, "iso-8859-7"}, {28598, "iso-8859-8"}, {28599, "iso-8859-9"}, {28603, "iso-8859-13"},
    {28605, "iso-8859-15"}, {29001, "x-europa"}, {38598, "iso-8859-8-i"}, {50220, "iso-2022-jp"},
    {50221, "csiso2022jp"}, {50222, "iso-2022-jp"}, {50225, "iso-2022-kr"},
    {50227, "x-cp50227"}, {51932, "euc-jp"}, {51936, "euc-cn"}, {51949, "euc-kr"},
    {52936, "hz-gb-2312"}, {54936, "gb18030"}, {57002, "x-iscii-de"}, {57003, "x-iscii-be"},
    {57004, "x-iscii-ta"}, {57005, "x-iscii-te"}, {57006, "x-iscii-as"}, {57007, "x-iscii-or"},
    {57008, "x-iscii-ka"}, {57009, "x-iscii-ma"}, {57010, "x-iscii-gu"}, {57011, "x-iscii-pa"},
    {65000, "utf-7"}, {65001, "utf-8"},
}};

// The iconv charset behind each code page that iconv offers. Code pages missing here (for
// example the ISCII family, HZ and most Mac code pages) are not usable.
struct IconvCharset {
  uint32_t codePage;
  const char* charset;
};
constexpr IconvCharset kIconvCharsets[] = {
    {37, "IBM037"}, {437, "IBM437"}, {500, "IBM500"}, {708, "ASMO-708"}, {737, "CP737"},
    {775, "CP775"}, {850, "IBM850"}, {852, "IBM852"}, {855, "IBM855"}, {857, "IBM857"},
    {858, "IBM858"}, {860, "IBM860"}, {861, "IBM861"}, {862, "IBM862"}, {863, "IBM863"},
    {864, "IBM864"}, {865, "IBM865"}, {866, "CP866"}, {869, "IBM869"}, {870, "IBM870"},
    {874, "CP874"}, {875, "IBM875"}, {932, "CP932"}, {936, "CP936"}, {949, "CP949"},
    {950, "CP950"}, {1026, "IBM1026"}, {1047, "IBM1047"}, {1140, "IBM1140"}, {1141, "IBM1141"},
    {1142, "IBM1142"}, {1143, "IBM1143"}, {1144, "IBM1144"}, {1145, "IBM1145"},
    {1146, "IBM1146"}, {1147, "IBM1147"}, {1148, "IBM1148"}, {1149, "IBM1149"},
    {1200, "UTF-16LE"}, {1201, "UTF-16BE"}, {1250, "CP1250"}, {1251, "CP1251"},
    {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"}, {1361, "JOHAB"}, {10000, "MACINTOSH"},
    {10007, "CP10007"}, {10017, "MAC-UK"}, {10029, "MAC-CENTRALEUROPE"}, {10079, "MAC-IS"},
    {12000, "UTF-32LE"}, {12001, "UTF-32BE"}, {20105, "ISO_646.IRV:1991"},
    {20106, "ISO646-DE"}, {20107, "ISO646-SE"}, {20108, "ISO646-NO"}, {20127, "ASCII"},
    {20261, "T.61-8BIT"}, {20269, "ISO_6937"}, {20273, "IBM273"}, {20277, "IBM277"},
    {20278, "IBM278"}, {20280, "IBM280"}, {20284, "IBM284"}, {20285, "IBM285"},
    {20290, "IBM290"}, {20297, "IBM297"}, {20420, "IBM420"}, {20423, "IBM423"},
    {20424, "IBM424"}, {20838, "IBM1160"}, {20866, "KOI8-R"}, {20871, "IBM871"},
    {20880, "IBM880"}, {20905, "IBM905"}, {20932, "EUC-JP"}, {20936, "GB2312"},
    {20949, "EUC-KR"}, {21025, "IBM1025"}, {21866, "KOI8-U"}, {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"}, {50221, "ISO-2022-JP"}, {50222, "ISO-2022-JP"},
    {50225, "ISO-2022-KR"}, {50227, "ISO-2022-CN"}, {51932, "EUC-JP-MS"}, {51936, "EUC-CN"},
    {51949, "EUC-KR"}, {54936, "GB18030"}, {65000, "UTF-7"}, {65001, "UTF-8"},
};

// Code pages 0, 1 and 3 (system ANSI, OEM, thread ANSI) all stand for the locale's charset here;
// 2 is the Mac code page.
constexpr uint32_t CP_OEMCP = 1, CP_MACCP = 2, CP_THREAD_ACP = 3;

const char* IconvCharsetOf(uint32_t codePage) {
  if (codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP)
    codePage = SystemCodePage();
  else if (codePage == CP_MACCP)
    codePage = 10000;
  for (const auto& row : kIconvCharsets)
    if (row.codePage == codePage) return row.charset;
  return nullptr;
}

// Bytes per code unit: what an invalid sequence skips, and the width of a NUL terminator.
size_t UnitSize(uint32_t codePage) {
  switch (codePage) {
    case 1200:
    case 1201:
      return 2;
    case 12000:
    case 12001:
      return 4;
    default:
      return 1;
  }
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The first occurrence of `marker` in `text` from `from`, without regard to ASCII case.
size_t FindNoCase(std::string_view text, std::string_view marker, size_t from) {
  if (marker.empty()) return from;
  auto equal = [](char a, char b) { return AsciiLower(a) == AsciiLower(b); };
  auto hit = std::search(text.begin() + static_cast<ptrdiff_t>(from), text.end(), marker.begin(),
                         marker.end(), equal);
  return hit == text.end() ? std::string_view::npos : static_cast<size_t>(hit - text.begin());
}

WideString DecodeOrFail(std::span<const uint8_t> bytes, uint32_t codePage) {
  const char* charset = IconvCharsetOf(codePage);
  std::optional<WideString> text;
  if (charset) text = IconvDecode(charset, bytes, UnitSize(codePage));
  if (!text) Fail(msg::kInvalidCodePage);
  return std::move(*text);
}

}  // namespace

std::span<const CodePageName> CodePageTable() { return kCodePageNames; }

uint32_t CodePageByName(std::string_view name) {
  for (const auto& row : kCodePageNames) {
    std::string_view rowName = row.name;
    if (rowName.size() == name.size() &&
        std::equal(name.begin(), name.end(), rowName.begin(),
                   [](char a, char b) { return AsciiLower(a) == b; }))
      return row.codePage;
  }
  return 0;
}

uint32_t CodePageByName(std::u16string_view name) {
  // Every name in the table is ASCII, so a name with other characters matches none.
  std::string narrow;
  for (char16_t c : name) {
    if (c >= 0x80) return 0;
    narrow.push_back(static_cast<char>(c));
  }
  return CodePageByName(narrow);
}

uint32_t SystemCodePage() {
  // A process that never set its locale reports plain ASCII; the system text is UTF-8 then.
  std::string_view codeset = nl_langinfo(CODESET);
  uint32_t codePage = CodePageByName(codeset);
  if (codePage == 0 || codePage == 20127) return CP_UTF8;
  return codePage;
}

bool IsCodePageSupported(uint32_t codePage) { return IconvCharsetOf(codePage) != nullptr; }

std::string StrToCodePage(std::u16string_view text, uint32_t codePage) {
  text = text.substr(0, text.find(u'\0'));
  const char* charset = IconvCharsetOf(codePage);
  if (!charset) return {};
  std::optional<Bytes> bytes = IconvEncode(charset, text);
  if (!bytes) return {};
  return std::string(bytes->begin(), bytes->end());
}

WideString CodePageToStr(std::string_view narrow, uint32_t codePage) {
  const size_t unit = UnitSize(codePage);
  size_t length = 0;
  while (length + unit <= narrow.size() &&
         narrow.substr(length, unit).find_first_not_of('\0') != std::string_view::npos)
    length += unit;
  if (length + unit > narrow.size()) length = narrow.size();  // no terminator: take it all
  const char* charset = IconvCharsetOf(codePage);
  if (!charset || length == 0) return {};
  auto bytes = std::span(reinterpret_cast<const uint8_t*>(narrow.data()), length);
  return IconvDecode(charset, bytes, unit).value_or(WideString());
}

WideString DecodeText(std::span<const uint8_t> bytes, uint32_t codePage) {
  return StripBom(DecodeOrFail(bytes, codePage));
}

Bytes EncodeText(std::u16string_view text, uint32_t codePage) {
  const char* charset = IconvCharsetOf(codePage);
  std::optional<Bytes> bytes;
  if (charset) bytes = IconvEncode(charset, text);
  if (!bytes) Fail(msg::kInvalidCodePage);
  return std::move(*bytes);
}

WideString StripBom(WideString text) {
  if (!text.empty() && text.front() == u'\uFEFF') text.erase(0, 1);
  return text;
}

std::optional<std::string> FindBetween(std::string_view text, std::string_view start,
                                       std::string_view finish) {
  size_t open = FindNoCase(text, start, 0);
  if (open == std::string_view::npos) return std::nullopt;
  size_t innerStart = open + start.size();
  size_t close = FindNoCase(text, finish, innerStart);
  if (close == std::string_view::npos) return std::nullopt;
  return std::string(text.substr(innerStart, close - innerStart));
}

uint32_t DetectCodePage(std::string_view narrow) {
  std::optional<std::string> name;
  if (auto declaration = FindBetween(narrow, "<?xml", "?>"))
    name = FindBetween(*declaration, "encoding=\"", "\"");
  if (!name) {
    if (auto head = FindBetween(narrow, "<head>", "</head>")) name = FindBetween(*head, "charset=", "\"");
  }
  return name ? CodePageByName(*name) : 0;
}

}  // namespace ulka
