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
//   PageBridge::Instance().TrustScheme(u"ulka");           // schemes whose pages get window.external
//
// A view given an external object keeps no pages for going back (the back-forward cache): a new
// document releases what the previous one held, so a page is loaded again instead of restored.
//
// Pages of trusted schemes and file pages get `window.external`; network pages (http, https) and
// about:blank never do. Everything runs on the main thread (the one that first calls the bridge;
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
  void TrustScheme(const WideString& scheme);
  // Null clears it; the page shown now sees the change at once.
  void SetExternal(WebKitWebView* view, IDispatch* external);
  // The page's `document`, or null when the view shows no page (yet) or its process has gone.
  Ref<IDispatch> Document(WebKitWebView* view);
  void Forget(WebKitWebView* view);
};

}  // namespace ulka
