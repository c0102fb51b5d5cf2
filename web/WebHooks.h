// Fills the root object's application hooks with the windowed host's answers: the message loop,
// message boxes, browser windows, URL schemes, the main window's placement, special folders and
// the desktop's "open".
#pragma once

namespace ulka {

// A program that opens browser windows must also make the web engine (SharedWebContext) before
// any script engine of its own starts: views made after a JavaScript engine started in the
// process load nothing.
void InstallWebHooks();

// For a program that runs scripts first (the script runner): opens the display, installs the
// hooks and starts the web engine, in that order. False, changing nothing, without a display.
bool PrepareBrowserWindows();

}  // namespace ulka
