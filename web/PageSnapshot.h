// A picture of the page a web view shows, taken from the engine's own snapshot of the view (so a
// window that is hidden or covered gives its page all the same).
#pragma once

#include <webkit2/webkit2.h>

#include "graphics/VekBitmap.h"

namespace ulka {

// Fills `bitmap` with the visible part of the page at the view's size, every pixel opaque. Serves
// events while the engine works; fails with a message when it gives no picture.
void SnapshotPage(WebKitWebView* view, TVekBitmap& bitmap);

}  // namespace ulka
