#include "automation/Urls.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "automation/Files.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

constexpr size_t npos = std::u16string_view::npos;

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }
bool IsQueryOrFragment(char16_t c) { return c == u'?' || c == u'#'; }

// Where the base's path begins and where its last folder ends: positions of the first and the
// last separator before the query or fragment (npos when there is none), and where the query or
// fragment starts.
struct BaseParts {
  size_t schemeEnd = npos;  // position of the scheme's ":"
  size_t root = npos;
  size_t dir = npos;
  size_t query = 0;
};

BaseParts SplitBase(std::u16string_view base) {
  BaseParts parts;
  if (HasScheme(base)) parts.schemeEnd = base.find(u':');
  size_t i = parts.schemeEnd == npos ? 0 : parts.schemeEnd + 1;
  while (i < base.size() && !IsQueryOrFragment(base[i])) {
    if (IsSeparator(base[i])) {
      if (parts.root == npos) parts.root = i;
      parts.dir = i;
    }
    ++i;
  }
  parts.query = i;
  return parts;
}

// "scheme:" of the base, followed by "//authority" when the base has one.
std::u16string_view SchemeAndAuthority(std::u16string_view base, const BaseParts& parts,
                                       bool withAuthority) {
  if (parts.schemeEnd == npos) return {};
  size_t end = parts.schemeEnd + 1;
  if (withAuthority && base.substr(end, 2) == u"//") {
    end += 2;
    while (end < base.size() && !IsSeparator(base[end]) && !IsQueryOrFragment(base[end])) ++end;
  }
  return base.substr(0, end);
}

WideString Concat(std::u16string_view a, std::u16string_view b) {
  WideString result;
  result.reserve(a.size() + b.size());
  result.append(a).append(b);
  return result;
}

struct LoaderRegistry {
  std::shared_mutex lock;
  std::map<WideString, UrlLoader> loaders;  // by lower-case scheme
};

LoaderRegistry& Registry() {
  static LoaderRegistry registry;
  return registry;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Percent escapes stand for UTF-8 bytes.
WideString PercentDecode(std::u16string_view text) {
  std::string utf8 = Utf8(text);
  std::string decoded;
  decoded.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '%' && i + 2 < utf8.size() && HexDigit(utf8[i + 1]) >= 0 && HexDigit(utf8[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexDigit(utf8[i + 1]) * 16 + HexDigit(utf8[i + 2])));
      i += 2;
    } else {
      decoded.push_back(utf8[i]);
    }
  }
  return Wide(decoded);
}

std::optional<Bytes> ReadFileOrNothing(const WideString& path) {
  Bytes bytes;
  try {
    if (!ReadFileBytes(path, bytes)) return std::nullopt;
  } catch (const EVekError&) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

bool HasScheme(std::u16string_view text) {
  size_t colon = text.find(u':');
  return colon != npos && colon < text.find(u'/');
}

WideString JoinUrl(std::u16string_view base, std::u16string_view ref) {
  if (HasScheme(ref)) return WideString(ref);
  const BaseParts parts = SplitBase(base);
  if (!ref.empty() && IsSeparator(ref[0])) {
    bool networkPath = ref.size() > 1 && IsSeparator(ref[1]);
    return Concat(SchemeAndAuthority(base, parts, !networkPath), ref);
  }
  if (!ref.empty() && IsQueryOrFragment(ref[0])) return Concat(base.substr(0, parts.query), ref);
  if (parts.dir != npos) return Concat(base.substr(0, parts.dir + 1), ref);
  // No separator: a base with a scheme keeps the scheme; a bare name is replaced.
  return Concat(base.substr(0, parts.schemeEnd == npos ? 0 : parts.schemeEnd + 1), ref);
}

std::optional<WideString> FileUrlToPath(std::u16string_view url) {
  if (url.size() < 5 || !SameText(url.substr(0, 5), u"file:")) return std::nullopt;
  std::u16string_view rest = url.substr(5);
  if (rest.substr(0, 2) == u"//") {
    rest.remove_prefix(2);
    size_t slash = rest.find(u'/');
    std::u16string_view host = rest.substr(0, slash);
    if (!host.empty() && !SameText(host, u"localhost")) return std::nullopt;
    rest = slash == npos ? std::u16string_view() : rest.substr(slash);
  }
  rest = rest.substr(0, rest.find_first_of(u"?#"));
  if (rest.empty()) return std::nullopt;
  return PercentDecode(rest);
}

void RegisterUrlLoader(const WideString& scheme, UrlLoader loader) {
  auto& registry = Registry();
  std::unique_lock guard(registry.lock);
  if (loader)
    registry.loaders[LowerCase(scheme)] = std::move(loader);
  else
    registry.loaders.erase(LowerCase(scheme));
}

std::optional<Bytes> LoadUrl(const WideString& url) {
  if (!HasScheme(url)) return url.empty() ? std::nullopt : ReadFileOrNothing(url);
  if (auto path = FileUrlToPath(url)) return ReadFileOrNothing(*path);
  UrlLoader loader;
  {
    auto& registry = Registry();
    std::shared_lock guard(registry.lock);
    auto found = registry.loaders.find(LowerCase(url.substr(0, url.find(u':'))));
    if (found == registry.loaders.end()) return std::nullopt;
    loader = found->second;
  }
  try {
    return loader(url);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace ulka
