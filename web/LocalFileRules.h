// The pages of one application scheme share one origin, as pages of a web site do: workers and
// modules from the application's files, its own requests without cross-origin rules, and full
// error reports all need that. The engine gives each document of a local scheme an origin of its
// own unless the view's file-access setting is on, and that setting loosens file pages too: with
// it, a local file page could read every other file. So a view keeps the setting on while it shows
// application pages, turns it off for good before it first shows a file page, and refuses file
// pages in frames while it is on.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace ulka {

// Gives a new view the setting and watches what it is about to show.
void ApplyLocalFileRules(WebKitWebView* view);

// The host itself is about to load `engineUrl` in the view's main frame.
void BeforeMainFrameLoad(WebKitWebView* view, const std::string& engineUrl);

}  // namespace ulka
