// What the extension watches in every frame, from a script world of its own that page scripts
// cannot reach: the origin of the frame's document, and the user's actions in it.
#pragma once

#include <webkit2/webkit-web-extension.h>

#include <functional>
#include <string>

namespace ulka::bridge {

// The frame document's origin as the document reads it ("http://host:port", "ulka://", "null").
std::string FrameOrigin(WebKitFrame* frame);

// Calls `onAction` for each key, pointer or touch event the user (not a script) sends to the
// frame's document, before any of the page's own handlers see it.
void WatchUserActions(WebKitFrame* frame, std::function<void()> onAction);

}  // namespace ulka::bridge
