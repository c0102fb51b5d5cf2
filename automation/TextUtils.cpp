#include "automation/TextUtils.h"

#include "automation/Unicode.h"

#include <algorithm>
#include <string>

namespace ulka {

std::vector<WideString> SplitText(std::u16string_view text, char16_t separator) {
  std::vector<WideString> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) pieces.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

WideString ReplaceChar(WideString text, char16_t from, char16_t to) {
  std::replace(text.begin(), text.end(), from, to);
  return text;
}

WideString ZeroPad(int64_t number, int width) {
  // Work on the magnitude as unsigned so the most negative value has no overflow.
  uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
  std::string digits = std::to_string(magnitude);
  WideString result;
  if (number < 0) result.push_back(u'-');
  if (static_cast<int>(digits.size()) < width) result.append(width - digits.size(), u'0');
  result.append(digits.begin(), digits.end());
  return result;
}

WideString FormatText(const char* format, std::u16string_view text) {
  WideString message = Wide(format);
  const size_t at = message.find(u"%s");
  if (at != WideString::npos) message.replace(at, 2, text);
  return message;
}

namespace {
char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
}  // namespace

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLowerChar(c);
  return out;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  }
  return true;
}

}  // namespace ulka
