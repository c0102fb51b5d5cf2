#include "automation/Unicode.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace ulka {

std::string Utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {

// Length of the UTF-8 sequence that starts with `lead`, 0 when it cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

WideString Wide(std::string_view utf8) {
  WideString out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    int n = SequenceLength(lead);
    if (n == 1) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    uint32_t c = n == 2 ? (lead & 0x1F) : n == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool ok = n > 0 && i + n <= utf8.size();
    for (int k = 1; ok && k < n; ++k) {
      unsigned char cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (cont & 0x3F);
    }
    if (ok && ((n == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
               (n == 4 && (c < 0x10000 || c > 0x10FFFF)))) {
      ok = false;
    }
    if (!ok) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += n;
  }
  return out;
}

namespace {

// Case mapping by Unicode rules whatever the process locale is.
locale_t CaseLocale() {
  static locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return l ? l : newlocale(LC_CTYPE_MASK, "C", nullptr);
  }();
  return locale;
}

}  // namespace

char16_t UpperChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  wint_t upper = towupper_l(static_cast<wint_t>(c), CaseLocale());
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

static char16_t LowerChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  wint_t lower = towlower_l(static_cast<wint_t>(c), CaseLocale());
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : c;
}

WideString UpperCase(std::u16string_view text) {
  WideString out(text);
  for (char16_t& c : out) c = UpperChar(c);
  return out;
}

WideString LowerCase(std::u16string_view text) {
  WideString out(text);
  for (char16_t& c : out) c = LowerChar(c);
  return out;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

}  // namespace ulka
