// Fills the root object's application hooks with the windowed host's answers: the message loop,
// message boxes, browser windows, URL schemes, the main window's placement, special folders and
// the desktop's "open".
#pragma once

namespace ulka {

void InstallWebHooks();

}  // namespace ulka
