// The page bridge, host side: gives pages of trusted schemes `window.external` as a live proxy of
// the host's expando object, and gives host scripts the page's objects (its `document`, the
// functions it hands over). The web process extension (web/extension/) speaks the same protocol
// (web/bridge/BridgeProtocol.h) over a Unix socket, one connection per page.
//
// The windows code integrates through this header only:
//   PageBridge::Instance().Attach(webContext);             // once per context, before its first view
//   PageBridge::Instance().SetExternal(view, external);    // each view that shows application pages
//   Ref<IDispatch> doc = PageBridge::Instance().Document(view);  // IBrowser.Document
//   PageBridge::Instance().Forget(view);                   // when the view goes away
//   PageBridge::Instance().TrustScheme(u"ulka");           // while a handler of ours serves the scheme
//   PageBridge::Instance().UntrustScheme(u"ulka");         // when that registration ends
//   PageBridge::Instance().TrustFileDocument(view, url);   // a file page the host opens itself
//
// A view given an external object keeps no pages for going back (the back-forward cache): a new
// document releases what the previous one held, so a page is loaded again instead of restored.
//
// Trust follows where a document came from: pages of schemes our handlers serve, and file pages
// the host opened in that view itself, get `window.external`; network pages, file pages reached
// any other way and about:blank never do. Everything runs on the main thread (the one that first calls the bridge;
// calls from other threads do nothing and answer null); a call into a page waits by serving the
// main loop, and fails (never hangs) once the page's web process has gone or the view is
// forgotten.
#pragma once

#include <webkit2/webkit2.h>

#include "automation/Dispatch.h"

namespace ulka {

class PageBridge {
 public:
  static PageBridge& Instance();

  void Attach(WebKitWebContext* context);
  // Counted: a scheme stays trusted while one registration of it lives.
  void TrustScheme(const WideString& scheme);
  void UntrustScheme(const WideString& scheme);
  void TrustFileDocument(WebKitWebView* view, const WideString& url);
  // Whether the view's current document is one of the application's own.
  bool ShowsTrustedDocument(WebKitWebView* view);
  // Whether the view's current document is a file page the host opened in it.
  bool ShowsTrustedFilePage(WebKitWebView* view);
  // Whether a request the view's page makes of the host (a new window) comes from the application
  // itself: the page holds only the application's documents, or the user, by an action that the
  // engine counts as a gesture, acted last in one of them.
  bool RequestFromApplication(WebKitWebView* view, bool userGesture);
  // Whether a document at `url` (or of the origin `url` names) in the view is the application's
  // own: a scheme one of our handlers serves, or a file page the host opened in that view.
  bool IsApplicationDocument(WebKitWebView* view, const WideString& url);
  // Null clears it; the page shown now sees the change at once.
  void SetExternal(WebKitWebView* view, IDispatch* external);
  // Whether the view's page waits for the host to answer one of its calls (it cannot draw meanwhile).
  bool PageAwaitsHost(WebKitWebView* view);
  // The page's `document`, or null when the view shows no page (yet) or its process has gone.
  Ref<IDispatch> Document(WebKitWebView* view);
  void Forget(WebKitWebView* view);
};

}  // namespace ulka
