// URLs: scheme detection, joining a reference to a base URL, and loading a URL's bytes.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

// True when a ":" occurs before the first "/" (or the end): "net://x", "ulka:a.html", "c:\dir".
bool HasScheme(std::u16string_view text);

// Joins a reference to a base URL. No "." or ".." segments are removed and nothing is escaped.
//   - A reference with a scheme is the result.
//   - "#..." or "?..." replaces the base's query and fragment.
//   - A reference from the root ("/..." or "\...") follows the base's scheme, and its authority
//     when the base has one: "ulka:sub/page.html" + "/a.png" gives "ulka:/a.png",
//     "net://srv/a/b" + "/c" gives "net://srv/c", "net://srv/a" + "//cdn/x" gives "net://cdn/x".
//   - Any other reference replaces everything after the base's last "/" or "\" before its query
//     or fragment. A base without a scheme is joined as a path ("dir/a.html" + "b.png" gives
//     "dir/b.png"; "a.html" + "b.png" gives "b.png").
WideString JoinUrl(std::u16string_view base, std::u16string_view ref);

// Loads the bytes a URL names: a plain file path, a "file:" URL, or a URL of a scheme some layer
// registered. Nothing when the URL cannot be loaded (no such file, unknown scheme, a loader that
// answers nothing or fails).
using UrlLoader = std::function<std::optional<Bytes>(const WideString& url)>;
std::optional<Bytes> LoadUrl(const WideString& url);

// Registers (or with an empty loader, removes) the loader of a scheme, given without its ":";
// scheme names match in any letter case. Safe to call from any thread.
void RegisterUrlLoader(const WideString& scheme, UrlLoader loader);

// The local path of a "file:" URL ("file:///tmp/a%20b.txt" gives "/tmp/a b.txt"); nothing for
// other URLs or a "file:" URL naming another host.
std::optional<WideString> FileUrlToPath(std::u16string_view url);

}  // namespace ulka
