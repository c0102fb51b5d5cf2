#include "data/Collation.h"

#include <glib.h>

#include <clocale>
#include <cstring>
#include <memory>

#include "automation/Unicode.h"

namespace ulka {

namespace {

struct GFreeDeleter {
  void operator()(gchar* p) const { g_free(p); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text)
    if (c >= 0x80) return false;
  return true;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

// Case-folded and normalised UTF-8, so that texts equal without regard to case give equal bytes.
std::string FoldedUtf8(std::u16string_view text) {
  if (IsAscii(text)) {
    std::string folded(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) folded[i] = static_cast<char>(AsciiLower(text[i]));
    return folded;
  }
  const std::string utf8 = Utf8(text);
  GText folded(g_utf8_casefold(utf8.data(), static_cast<gssize>(utf8.size())));
  GText normal(g_utf8_normalize(folded.get(), -1, G_NORMALIZE_DEFAULT_COMPOSE));
  return normal ? std::string(normal.get()) : std::string(folded.get());
}

// The C locale and its UTF-8 variant collate by code point, which is the byte order of UTF-8.
bool CollatesByCodePoint() {
  const char* name = std::setlocale(LC_COLLATE, nullptr);
  if (!name) return true;
  return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
         std::strcmp(name, "C.UTF-8") == 0 || std::strcmp(name, "C.utf8") == 0;
}

}  // namespace

Collator::Collator() : byCodePoint_(CollatesByCodePoint()) {}

void Collator::AppendKey(std::u16string_view text, std::string& out) const {
  if (byCodePoint_ && IsAscii(text)) {
    for (char16_t c : text) out += static_cast<char>(AsciiLower(c));
    return;
  }
  const std::string folded = FoldedUtf8(text);
  if (byCodePoint_) {
    out += folded;
    return;
  }
  GText key(g_utf8_collate_key(folded.data(), static_cast<gssize>(folded.size())));
  out += key.get();
}

std::string CollationKey(std::u16string_view text) {
  std::string key;
  Collator().AppendKey(text, key);
  return key;
}

bool SameTextLocale(std::u16string_view a, std::u16string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
  }
  return FoldedUtf8(a) == FoldedUtf8(b);
}

}  // namespace ulka
