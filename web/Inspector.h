// Developer tools for an application's author, switched on by `ulka --inspect` (or ULKA_INSPECT=1
// for a stand-alone program): the web inspector in every view, reached through "Inspect Element"
// in the context menu, and the pages' console messages on standard error with source and line.
// Main thread only, like the views.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace ulka {

void EnableInspector();
// The switch, or ULKA_INSPECT in the environment set to anything but "" and "0".
bool InspectorEnabled();
// The engine opens a remote inspector of every page on a network address named in its own
// environment variables (WEBKIT_INSPECTOR_SERVER, WEBKIT_INSPECTOR_HTTP_SERVER); its console reaches
// `window.external`. Unless the author asked for inspection, they are cleared. Called at start,
// before the first thread and web process.
void ForgetEngineInspectorUnlessInspecting();

struct ConsoleMessage {
  std::string level;   // "log", "info", "warn", "error", "debug"
  std::string text;
  std::string source;  // the script's URL as scripts write it ("ulka:index.html")
  int line = 0;        // 0 when unknown
};

// "ulka:index.html:12: console.warn: text", the line standard error gets.
std::string FormatConsoleMessage(const ConsoleMessage& message);

// Where console messages go; standard error unless a test takes them.
using ConsoleSink = std::function<void(const ConsoleMessage&)>;
void SetConsoleSink(ConsoleSink sink);

// A new view, before its first page: developer extras on and its console reported, when the
// inspector is on; nothing otherwise.
void PrepareForInspection(WebKitWebView* view);

}  // namespace ulka
