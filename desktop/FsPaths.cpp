#include "desktop/FsPaths.h"

#include <climits>
#include <filesystem>
#include <system_error>
#include <vector>

#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "desktop/DesktopErrors.h"

namespace ulka {
namespace {

std::u16string_view WithoutTrailingSlashes(std::u16string_view path) {
  while (path.size() > 1 && path.back() == u'/') path.remove_suffix(1);
  return path;
}

WideString CurrentFolder() {
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  return error ? WideString(u"/") : Wide(current.string());
}

}  // namespace

WideString ScriptPath(std::u16string_view path) {
  WideString result(path);
  for (char16_t& c : result) {
    if (c == u'\\') c = u'/';
  }
  return result;
}

std::string SystemPath(std::u16string_view path) {
  if (path.find(u'\0') != std::u16string_view::npos) FailDesktop(DesktopError::BadFileName);
  std::string system = Utf8(ScriptPath(path));
  if (system.size() >= PATH_MAX) FailDesktop(DesktopError::BadFileName);
  size_t start = 0;
  while (start <= system.size()) {
    size_t end = system.find('/', start);
    if (end == std::string::npos) end = system.size();
    if (end - start > NAME_MAX) FailDesktop(DesktopError::BadFileName);
    start = end + 1;
  }
  return system;
}

WideString FileNameOf(std::u16string_view path) {
  WideString clean = ScriptPath(path);
  std::u16string_view view = WithoutTrailingSlashes(clean);
  if (view == u"/") return {};
  size_t slash = view.rfind(u'/');
  return WideString(slash == std::u16string_view::npos ? view : view.substr(slash + 1));
}

WideString BaseNameOf(std::u16string_view path) {
  WideString name = FileNameOf(path);
  size_t dot = name.rfind(u'.');
  return dot == WideString::npos || dot == 0 ? name : name.substr(0, dot);
}

WideString ExtensionOf(std::u16string_view path) {
  WideString name = FileNameOf(path);
  size_t dot = name.rfind(u'.');
  return dot == WideString::npos || dot == 0 ? WideString() : name.substr(dot + 1);
}

WideString ParentOf(std::u16string_view path) {
  WideString clean = ScriptPath(path);
  std::u16string_view view = WithoutTrailingSlashes(clean);
  size_t slash = view.rfind(u'/');
  if (slash == std::u16string_view::npos || view == u"/") return {};
  std::u16string_view parent = view.substr(0, slash);
  while (parent.size() > 1 && parent.back() == u'/') parent.remove_suffix(1);
  return parent.empty() ? WideString(u"/") : WideString(parent);
}

WideString AbsolutePathOf(std::u16string_view path) {
  WideString clean = ScriptPath(path);
  WideString full = !clean.empty() && clean[0] == u'/' ? clean : CurrentFolder() + u"/" + clean;
  std::vector<std::u16string_view> names;
  std::u16string_view rest(full);
  while (!rest.empty()) {
    size_t slash = rest.find(u'/');
    std::u16string_view name = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (name.empty() || name == u".") continue;
    if (name == u"..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  WideString result;
  for (std::u16string_view name : names) result.append(u"/").append(name);
  return result.empty() ? WideString(u"/") : result;
}

WideString BuildPathOf(std::u16string_view path, std::u16string_view name) {
  WideString left = ScriptPath(path);
  WideString right = ScriptPath(name);
  if (left.empty()) return right;
  if (right.empty()) return left;
  const bool leftSlash = left.back() == u'/';
  const bool rightSlash = right.front() == u'/';
  if (leftSlash && rightSlash) return left + right.substr(1);
  if (leftSlash || rightSlash) return left + right;
  return left + u"/" + right;
}

}  // namespace ulka
