#include "net/Proxy.h"

#include <gio/gio.h>

#include <cstdlib>

#include "automation/Unicode.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

std::string_view DefaultPort(std::string_view scheme) {
  if (SameText(Wide(scheme), u"https")) return "443";
  if (scheme.starts_with("socks")) return "1080";
  return "80";
}

bool IsKnownScheme(std::string_view scheme) {
  for (std::string_view known : {"http", "https", "socks4", "socks4a", "socks5", "socks5h"})
    if (SameText(Wide(scheme), Wide(known))) return true;
  return false;
}

// The first proxy GIO's resolver names for a plain web address; empty for a direct connection.
std::string DesktopProxy() {
  GProxyResolver* resolver = g_proxy_resolver_get_default();
  if (!resolver) return {};
  GError* raw = nullptr;
  gchar** proxies = g_proxy_resolver_lookup(resolver, "http://www.example.com/", nullptr, &raw);
  GErrorPtr failure(raw);
  std::string proxy;
  if (proxies && proxies[0] && !g_str_has_prefix(proxies[0], "direct://")) proxy = proxies[0];
  g_strfreev(proxies);
  return proxy;
}

}  // namespace

ProxySettings ParseProxy(std::string_view text) {
  ProxySettings proxy;
  std::string scheme = "http";
  if (size_t at = text.find("://"); at != std::string_view::npos) {
    scheme = std::string(text.substr(0, at));
    text.remove_prefix(at + 3);
  }
  if (size_t slash = text.find('/'); slash != std::string_view::npos) text = text.substr(0, slash);
  if (size_t at = text.rfind('@'); at != std::string_view::npos) {
    std::string_view credentials = text.substr(0, at);
    text.remove_prefix(at + 1);
    const size_t colon = credentials.find(':');
    proxy.user = std::string(credentials.substr(0, colon));
    if (colon != std::string_view::npos) proxy.password = std::string(credentials.substr(colon + 1));
  }
  // The port follows the last ":" outside an IPv6 address's brackets.
  std::string_view host = text;
  std::string_view port;
  const size_t bracket = text.rfind(']');
  const size_t colon = text.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) return {};
  if (!IsKnownScheme(scheme)) scheme = "http";
  if (port.empty()) port = DefaultPort(scheme);
  proxy.url = Utf8(LowerCase(Wide(scheme))) + "://" + std::string(host) + ":" + std::string(port);
  return proxy;
}

std::string SystemProxy() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return DesktopProxy();
}

}  // namespace ulka
