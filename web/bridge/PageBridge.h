// The page bridge, host side: gives pages of trusted schemes `window.external` as a live proxy of
// the host's expando object, and gives host scripts the page's objects (its `document`, the
// functions it hands over). The web process extension (web/extension/) speaks the same protocol
// (web/bridge/BridgeProtocol.h) over a Unix socket.
//
// Being written by the lead's bridge helper; the windows code integrates through this header only:
//   PageBridge::Instance().Attach(webContext);             // once, before the first view
//   PageBridge::Instance().SetExternal(view, external);    // each view that shows application pages
//   Ref<IDispatch> doc = PageBridge::Instance().Document(view);  // IBrowser.Document
//   PageBridge::Instance().Forget(view);                   // when the view goes away
//   PageBridge::Instance().TrustScheme(u"ulka");           // schemes whose pages get window.external
#pragma once

#include <webkit2/webkit2.h>

#include "automation/Dispatch.h"

namespace ulka {

class PageBridge {
 public:
  static PageBridge& Instance();

  void Attach(WebKitWebContext* context);
  void TrustScheme(const WideString& scheme);
  void SetExternal(WebKitWebView* view, IDispatch* external);
  Ref<IDispatch> Document(WebKitWebView* view);
  void Forget(WebKitWebView* view);
};

}  // namespace ulka
