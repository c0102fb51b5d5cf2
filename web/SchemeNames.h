// How URLs of the application's own schemes look to scripts and to the web engine.
//
// Scripts write "ulka:index.html". The engine cannot resolve relative references against such an
// opaque URL, so views receive the hierarchical form "ulka:///index.html". The translation
// happens here, at the boundary, in both directions.
#pragma once

#include <string>

#include "automation/Types.h"

namespace ulka {

// Whether `scheme` (without ":") is registered by a protocol object.
bool IsRegisteredScheme(const std::string& scheme);
void AddRegisteredScheme(const std::string& scheme);
void RemoveRegisteredScheme(const std::string& scheme);

// Fails with a message when `scheme` cannot be served by a protocol object: not a valid scheme
// name, or one the web engine serves itself (http, file, data, ...), whose pages must never pass
// for the application's own.
void CheckSchemeName(const std::string& scheme);

// The scheme of a URL, lower-cased, or empty.
std::string SchemeOf(const std::string& url);

// "ulka:a/b.html" -> "ulka:///a/b.html" for registered schemes; other URLs unchanged.
std::string ToEngineUrl(const std::string& url);
// "ulka:///a/b.html" -> "ulka:a/b.html" for registered schemes; other URLs unchanged.
std::string FromEngineUrl(const std::string& url);

// The name a handler is asked for: the URL without "scheme:" and, in the hierarchical form,
// without the "///" after it. The query stays; percent-escapes are decoded when `decode` is set
// (the engine escapes characters such as spaces).
WideString HandlerName(const std::string& url, bool decode);

}  // namespace ulka
