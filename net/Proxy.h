// Proxies for the HTTP client: the text a script sets, and the system's proxy.
#pragma once

#include <string>
#include <string_view>

#include "net/HttpConnection.h"

namespace ulka {

// Parses [scheme "://"] [user [":" password] "@"] host [":" port] [anything after "/"]. The port
// defaults to the scheme's (80 for http or none, 443 for https, 1080 for the socks schemes).
// Empty text, or text without a host, means no proxy.
ProxySettings ParseProxy(std::string_view text);

// The system's proxy for http, read now: the http_proxy, HTTP_PROXY, all_proxy and ALL_PROXY
// environment variables in that order, then the desktop's settings through GIO's proxy resolver.
// Empty when the system says to connect directly. (Hosts in no_proxy are reached directly by the
// client itself.)
std::string SystemProxy();

}  // namespace ulka
