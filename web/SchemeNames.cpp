#include "web/SchemeNames.h"

#include <glib.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "automation/Messages.h"
#include "automation/TextUtils.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

std::mutex schemesLock;
std::multiset<std::string>& Schemes() {
  static std::multiset<std::string> schemes;
  return schemes;
}

std::string Lower(std::string_view text) { return AsciiLower(text); }

// Schemes the engine (or the desktop behind it) answers itself.
constexpr const char* kEngineSchemes[] = {
    "about", "blob",   "data",     "file",       "filesystem", "ftp",  "ftps", "http", "https",
    "javascript", "resource", "view-source", "webkit", "webkit-pdfjs-viewer", "ws", "wss", "inspector",
};

bool IsValidSchemeName(const std::string& scheme) {
  if (scheme.empty() || !g_ascii_isalpha(scheme[0])) return false;
  return std::all_of(scheme.begin(), scheme.end(),
                     [](unsigned char c) { return g_ascii_isalnum(c) || c == '+' || c == '-' || c == '.'; });
}

}  // namespace

void CheckSchemeName(const std::string& scheme) {
  if (!IsValidSchemeName(scheme)) Fail(FormatText(msg::kInvalidSchemeName, Wide(scheme)));
  const std::string lower = Lower(scheme);
  for (const char* reserved : kEngineSchemes) {
    if (lower == reserved) Fail(FormatText(msg::kReservedScheme, Wide(scheme)));
  }
}

bool IsRegisteredScheme(const std::string& scheme) {
  std::lock_guard guard(schemesLock);
  return Schemes().count(Lower(scheme)) > 0;
}

void AddRegisteredScheme(const std::string& scheme) {
  std::lock_guard guard(schemesLock);
  Schemes().insert(Lower(scheme));
}

void RemoveRegisteredScheme(const std::string& scheme) {
  std::lock_guard guard(schemesLock);
  auto found = Schemes().find(Lower(scheme));
  if (found != Schemes().end()) Schemes().erase(found);
}

std::string SchemeOf(const std::string& url) {
  size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return {};
  size_t slash = url.find_first_of("/\\?#");
  if (slash != std::string::npos && slash < colon) return {};
  return Lower(url.substr(0, colon));
}

std::string ToEngineUrl(const std::string& url) {
  std::string scheme = SchemeOf(url);
  if (scheme.empty() || !IsRegisteredScheme(scheme)) return url;
  std::string rest = url.substr(scheme.size() + 1);
  if (!rest.empty() && rest[0] == '/') return url;  // already hierarchical, or rooted as written
  return scheme + ":///" + rest;
}

std::string FromEngineUrl(const std::string& url) {
  std::string scheme = SchemeOf(url);
  if (scheme.empty() || !IsRegisteredScheme(scheme)) return url;
  std::string rest = url.substr(scheme.size() + 1);
  if (rest.rfind("///", 0) == 0) return scheme + ":" + rest.substr(3);
  return url;
}

WideString HandlerName(const std::string& url, bool decode) {
  std::string scheme = SchemeOf(url);
  std::string name = scheme.empty() ? url : url.substr(scheme.size() + 1);
  if (name.rfind("///", 0) == 0) name.erase(0, 3);
  size_t hash = name.find('#');
  if (decode && hash != std::string::npos) name.erase(hash);
  if (decode) {
    GCharPtr unescaped(g_uri_unescape_string(name.c_str(), nullptr));
    if (unescaped) name = unescaped.get();
  }
  return Wide(name);
}

}  // namespace ulka
