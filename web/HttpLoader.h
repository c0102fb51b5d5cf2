// Loading "http:" and "https:" URLs for Rtl.Load and "@include" (the proxy comes from the
// http_proxy, https_proxy and no_proxy environment variables).
#pragma once

#include <optional>

#include "automation/Types.h"

namespace ulka {

// The body of a successful (2xx) GET, after redirects; nothing on any failure.
std::optional<Bytes> HttpGet(const WideString& url);

// Registers HttpGet as the loader of both schemes.
void RegisterHttpLoaders();

}  // namespace ulka
