#include "desktop/Environment.h"

#include <glib.h>

#include <cstdlib>

#include "automation/Unicode.h"
#include "desktop/DesktopErrors.h"
#include "platform/Shell.h"

extern char** environ;

namespace ulka {
namespace {

std::string WithoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// What scripts written for the platform expect of variables this desktop does not set.
std::optional<WideString> DesktopVariable(std::u16string_view name) {
  const WideString upper = UpperCase(name);
  if (upper == u"TEMP" || upper == u"TMP") return Wide(WithoutSlash(g_get_tmp_dir()));
  if (upper == u"USERPROFILE") return Wide(WithoutSlash(g_get_home_dir()));
  if (upper == u"APPDATA") return Wide(WithoutSlash(SpecialFolderPath(0x1A)));
  if (upper == u"LOCALAPPDATA") return Wide(WithoutSlash(SpecialFolderPath(0x1C)));
  if (upper == u"USERNAME") return Wide(g_get_user_name());
  if (upper == u"COMPUTERNAME") return Wide(g_get_host_name());
  return std::nullopt;
}

std::optional<WideString> LookUpLocked(std::u16string_view name) {
  if (name.empty()) return std::nullopt;
  const std::string narrow = Utf8(name);
  if (const char* value = std::getenv(narrow.c_str())) return Wide(value);
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view pair(*entry);
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && SameText(Wide(pair.substr(0, equals)), name))
      return Wide(pair.substr(equals + 1));
  }
  return std::nullopt;
}

std::optional<WideString> ValueForExpansion(std::u16string_view name) {
  std::optional<WideString> value = LookUpLocked(name);
  return value ? value : DesktopVariable(name);
}

bool IsNameStart(char16_t c) { return c == u'_' || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9'); }

// "$NAME" or "${NAME}" at `at`: the name and the length of the whole form, or nothing.
std::optional<std::pair<std::u16string_view, size_t>> DollarForm(std::u16string_view text, size_t at) {
  if (at + 1 >= text.size()) return std::nullopt;
  if (text[at + 1] == u'{') {
    const size_t close = text.find(u'}', at + 2);
    if (close == std::u16string_view::npos || close == at + 2) return std::nullopt;
    return std::make_pair(text.substr(at + 2, close - at - 2), close - at + 1);
  }
  if (!IsNameStart(text[at + 1])) return std::nullopt;
  size_t end = at + 1;
  while (end < text.size() && IsNameChar(text[end])) ++end;
  return std::make_pair(text.substr(at + 1, end - at - 1), end - at);
}

}  // namespace

std::mutex& EnvironmentLock() {
  static std::mutex lock;
  return lock;
}

std::optional<WideString> GetVariable(std::u16string_view name) {
  std::lock_guard guard(EnvironmentLock());
  return LookUpLocked(name);
}

void SetVariable(std::u16string_view name, std::u16string_view value) {
  if (name.empty() || name.find_first_of(u"=") != std::u16string_view::npos || name.find(u'\0') != std::u16string_view::npos)
    FailDesktop(DesktopError::InvalidCall);
  std::lock_guard guard(EnvironmentLock());
  const std::string narrowValue = Utf8(value.substr(0, value.find(u'\0')));
  ::setenv(Utf8(name).c_str(), narrowValue.c_str(), 1);
}

void RemoveVariable(std::u16string_view name) {
  if (name.empty() || name.find_first_of(u"=") != std::u16string_view::npos || name.find(u'\0') != std::u16string_view::npos)
    FailDesktop(DesktopError::InvalidCall);
  std::lock_guard guard(EnvironmentLock());
  ::unsetenv(Utf8(name).c_str());
}

std::vector<std::pair<WideString, WideString>> AllVariables() {
  std::lock_guard guard(EnvironmentLock());
  std::vector<std::pair<WideString, WideString>> variables;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view pair(*entry);
    const size_t equals = pair.find('=');
    if (equals == std::string_view::npos) continue;
    variables.emplace_back(Wide(pair.substr(0, equals)), Wide(pair.substr(equals + 1)));
  }
  return variables;
}

WideString ExpandVariables(std::u16string_view text, bool dollarForms) {
  std::lock_guard guard(EnvironmentLock());
  WideString result;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'%') {
      const size_t close = text.find(u'%', i + 1);
      if (close != std::u16string_view::npos && close > i + 1) {
        if (std::optional<WideString> value = ValueForExpansion(text.substr(i + 1, close - i - 1))) {
          result += *value;
          i = close + 1;
          continue;
        }
      }
    } else if (c == u'$' && dollarForms) {
      if (auto form = DollarForm(text, i)) {
        if (std::optional<WideString> value = ValueForExpansion(form->first)) {
          result += *value;
          i += form->second;
          continue;
        }
      }
    }
    result += c;
    ++i;
  }
  return result;
}

}  // namespace ulka
