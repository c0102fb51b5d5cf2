#include "web/WebHooks.h"

#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "graphics/Rect.h"
#include "platform/DialogOwner.h"
#include "platform/MainLoop.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "runtime/AppHooks.h"
#include "web/Browser.h"
#include "web/HttpLoader.h"
#include "web/Protocol.h"
#include "web/WebContext.h"

namespace ulka {
namespace {

PlatformWindow* MainWindow() {
  TBrowserForm* form = TBrowserForm::MainForm();
  return form ? &form->Window() : nullptr;
}

Ref<IDispatch> MakeBrowser(const Variant& source, const WideString& baseUrl) {
  Ref<TBrowser> browser = MakeRef<TBrowser>();
  browser->SetBaseUrl(baseUrl);
  if (source.IsText()) browser->Open(source.Text());
  else if (source.IsArray()) browser->Load(source);
  return browser;
}

Ref<IDispatch> MakeProtocol(const WideString& name, IDispatch* handler) {
  Ref<TProtocol> protocol = MakeRef<TProtocol>();
  if (!name.empty() && handler) protocol->Register(name, handler);
  return protocol;
}

// A rectangle given comes back as the same object, holding the bounds the window took.
Ref<IDispatch> MainWindowRect(const Variant& value) {
  PlatformWindow* window = MainWindow();
  Ref<TRectangle> rect = VarToObject<TRectangle>(value);
  if (rect && window) window->SetBounds(rect->FRect);
  if (!rect) rect = TRectangle::Make({});
  if (window) rect->FRect = window->Bounds();
  return rect;
}

int32_t MainWindowState(const Variant& value) {
  PlatformWindow* window = MainWindow();
  if (!window) return 0;
  if (value.IsNumber()) {
    Variant state;
    if (Succeeded(ChangeType(value, VT_I4, state))) window->SetState(static_cast<int>(state.Int()));
  }
  return window->State();
}

}  // namespace

void InstallWebHooks() {
  AppHooks& hooks = Hooks();
  hooks.alert = [](const WideString& text, const WideString& title, int32_t flags) {
    return ShowMessageBox(Utf8(text), Utf8(title), static_cast<uint32_t>(flags));
  };
  hooks.run = [] {
    if (TBrowserForm* form = TBrowserForm::MainForm(); form && !ApplicationTerminated()) form->Window().Show();
    RunMainLoop();
  };
  hooks.idle = [](uint32_t ticks) { ProcessEventsFor(ticks); };
  hooks.quit = [] {
    if (TBrowserForm* form = TBrowserForm::MainForm()) form->Window().Close();
    else TerminateApplication();
    return true;
  };
  hooks.browser = MakeBrowser;
  hooks.protocol = MakeProtocol;
  hooks.windowRect = MainWindowRect;
  hooks.windowState = MainWindowState;
  hooks.getShowOnTaskbar = [] {
    PlatformWindow* window = MainWindow();
    return window && !gtk_window_get_skip_taskbar_hint(window->Handle());
  };
  hooks.setShowOnTaskbar = [](bool show) {
    if (PlatformWindow* window = MainWindow()) gtk_window_set_skip_taskbar_hint(window->Handle(), !show);
  };
  SetDialogOwner([] {
    PlatformWindow* window = MainWindow();
    return window ? window->Handle() : nullptr;
  });
  RegisterHttpLoaders();
  SetShellOpenHandler([](const WideString& fileName, void*) { return OpenWithDefaultHandler(Utf8(fileName)); });
}

bool PrepareBrowserWindows() {
  if (!InitPlatform()) return false;
  InstallWebHooks();
  SharedWebContext();
  return true;
}

}  // namespace ulka
