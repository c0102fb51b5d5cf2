// What the root object asks of the application around it: the message loop, the main window,
// message boxes, and the objects that need the web views. The program that hosts the runtime
// fills these in (the windowed host or the script runner); empty hooks give the answers of a host
// without a window.
#pragma once

#include <functional>

#include "automation/Dispatch.h"

namespace ulka {

struct AppHooks {
  // Rtl.Alert: the button pressed, 0 when no box could be shown.
  std::function<int32_t(const WideString& text, const WideString& title, int32_t flags)> alert;
  // Rtl.Run: runs the message loop until the application ends.
  std::function<void()> run;
  // Rtl.Idle: processes pending messages and queued main-thread calls for `ticks` milliseconds.
  std::function<void(uint32_t ticks)> idle;
  // Rtl.Quit: asks the main window (or the application) to end; false when that failed.
  std::function<bool()> quit;
  // Further objects made by the root object's factories.
  std::function<Ref<IDispatch>(const Variant& source, const WideString& baseUrl)> browser;
  std::function<Ref<IDispatch>(const WideString& name, IDispatch* handler)> protocol;
  // The main window: bounds as a Rect object, state 0 normal / 1 minimised / 2 maximised.
  std::function<Ref<IDispatch>(const Variant& value)> windowRect;
  std::function<int32_t(const Variant& value)> windowState;
  std::function<bool()> getShowOnTaskbar;
  std::function<void(bool)> setShowOnTaskbar;
  // File dialogs, the shell, the trash and special folders are the same in every host: the root
  // object reaches them in platform/ directly (dialogs are owned by platform/DialogOwner.h).
};

AppHooks& Hooks();

}  // namespace ulka
