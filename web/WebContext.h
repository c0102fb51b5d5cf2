// The process's one web context: the application's own website data, the schemes served by
// protocol objects, and the page bridge that gives pages `window.external`.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>

#include "automation/Types.h"

namespace ulka {

// Names the folders of the application's website data (localStorage, cookies, IndexedDB,
// caches) under the XDG data and cache folders. Takes effect when the context is first made, so
// the launcher calls it before any view exists. The key is made safe as a folder name.
void SetWebsiteDataKey(const std::string& key);
std::string WebsiteDataKey();

// The context, made on first use.
WebKitWebContext* SharedWebContext();

// What serves the requests of a scheme: the answer is the bytes, or nothing for not found.
using SchemeServer = std::function<std::optional<Bytes>(const std::string& engineUrl)>;
// Routes the scheme's requests to `server` (or, with an empty server, answers not found). The
// engine cannot forget a scheme, so a removed scheme stays known and answers not found.
void ServeScheme(const std::string& scheme, SchemeServer server);

// A folder name made from any text: letters, digits, "-", "_", "." kept, the rest as "_".
std::string SafeFolderName(const std::string& text);

}  // namespace ulka
