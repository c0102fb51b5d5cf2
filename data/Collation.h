// Locale-aware comparison of text without regard to case, as lists of lines compare their lines.
#pragma once

#include <string>
#include <string_view>

namespace ulka {

// A key whose byte order is the user's locale collation of the case-folded text.
std::string CollationKey(std::u16string_view text);

// Collation keys of many texts under the locale read once at construction.
class Collator {
 public:
  Collator();
  // Appends the key of `text` to `out`.
  void AppendKey(std::u16string_view text, std::string& out) const;

 private:
  bool byCodePoint_;
};

// Whether two texts are equal without regard to case, by the locale's case folding.
bool SameTextLocale(std::u16string_view a, std::u16string_view b);

}  // namespace ulka
