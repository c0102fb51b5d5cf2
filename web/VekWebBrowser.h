// The host of one web view: the page's `window.external`, the UI options (no scroll bars, no
// text selection), context menus only in edit fields, new-window requests, navigation state,
// loading a document from bytes, and recovery when the web process dies.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>

#include "automation/Dispatch.h"
#include "platform/GObjectPtr.h"

namespace ulka {

enum TVekWebBrowserUIOption : uint8_t { uiNoScroll = 1, uiNoBorder = 2, uiNoSelection = 4 };

class TVekWebBrowser {
 public:
  TVekWebBrowser();
  TVekWebBrowser(const TVekWebBrowser&) = delete;
  TVekWebBrowser& operator=(const TVekWebBrowser&) = delete;
  ~TVekWebBrowser();

  // The widget to place in a window; the web view inside it is made on first need, so that the
  // application's website data is named before the engine starts.
  GtkWidget* Widget() const { return frame_; }
  WebKitWebView* View();
  bool HasView() const { return view_ != nullptr; }

  uint8_t UIOptions() const { return options_; }
  // Options apply to the next document loaded.
  void SetUIOptions(uint8_t options) { options_ = options; }

  IDispatch* External() const { return external_.get(); }
  void SetExternal(IDispatch* external);

  // Navigates to a URL as scripts write it ("ulka:index.html").
  void Navigate(const std::string& url);
  // Replaces the document with HTML bytes; relative references resolve against `baseUrl`.
  bool LoadFromBytes(const Bytes& html, const std::string& baseUrl);
  void GoBack();
  void GoForward();
  void Reload();
  void Stop();
  // The current URL as scripts write it, and the page's title.
  std::string LocationUrl();
  std::string Title();
  bool Busy();
  bool NavigateComplete() const { return navigateComplete_; }

  // Events.
  std::function<void(const std::string&)> onTitleChange;
  std::function<void(const std::string&)> onNewWindow;  // default: the desktop opens the URL
  // A navigation has completed (the page's title is known by then).
  std::function<void()> onDocumentComplete;
  // A side bar never shows an error page: failed navigations are dropped.
  bool cancelNavigationErrors = false;

  // The view whose page asked a question of the host, by its page id.
  static TVekWebBrowser* FromPageId(uint64_t pageId);
  uint64_t PageId();
  // Expires when this host goes; objects that scripts hold check it before every use.
  std::weak_ptr<void> Token() const { return token_; }

 private:
  void CreateView();
  void ApplyOptions();
  void ShowProcessEndedPage();
  void ConfirmComplete();
  void BeginNavigation();
  void RequestNavigation();
  void SetTitle(const std::string& title);

  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError*, gpointer self);
  static void OnTitle(GObject*, GParamSpec*, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static bool MayOpenOnDesktop(WebKitWebView* view, WebKitNavigationAction* action, const std::string& uri);
  static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);

  GtkWidget* frame_;
  WebKitWebView* view_ = nullptr;
  uint8_t options_ = 0;
  uint8_t applied_ = 0xFF;
  Ref<IDispatch> external_;
  bool navigateComplete_ = true;
  uint64_t navigation_ = 0;
  bool awaitingStart_ = false;
  std::string title_;  // the engine reports titles late; the completion check reads it first
  std::vector<SignalConnection> signals_;
  std::shared_ptr<void> token_ = std::make_shared<int>(0);
};

}  // namespace ulka
