// The web process's end of one page's connection: serves the host's calls into the page, gives
// the page's main frame `window.external` when the host trusts the document, and waits for the
// host's answers on the socket itself (the page is blocked in a synchronous call meanwhile).
#pragma once

#include <JavaScriptCore/JavaScript.h>
#include <glib.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "script/JsBinding.h"
#include "web/bridge/BridgeEndpoint.h"

namespace ulka::bridge {

class PageLink final : public BridgeEndpoint {
 public:
  // Connects to the host and introduces the page; null when the host cannot be reached.
  static std::shared_ptr<PageLink> Connect(const std::string& address, const std::string& secret, uint64_t pageId);

  explicit PageLink(int fd);
  ~PageLink() override;

  // The main frame has a new document whose global context is `context`.
  void OnNewDocument(JSGlobalContextRef context, const WideString& url, uint64_t frameId);
  // A frame inside the page has a new document.
  void OnFrameDocument(uint64_t frameId, const WideString& origin, const WideString& url);
  // The user acted in a frame (a trusted key, pointer or touch event).
  void OnUserActivation(uint64_t frameId);

 protected:
  void WaitForInput() override;
  bool ServePageMessage(const Frame& frame, Reader& request) override;
  void OnClosed() override;

 private:
  void Start();
  void DetachDocument();
  void InstallExternal(const Variant& external);
  Variant DocumentObject();
  static gboolean OnReadable(gint fd, GIOCondition condition, gpointer self);

  GSource* source_ = nullptr;
  std::map<uint64_t, bool> frameTrusted_;     // as the host answered, for the current main document
  std::optional<bool> lastActionTrusted_;     // what the host was last told
  JSGlobalContextRef context_ = nullptr;  // retained while attached
  bool trusted_ = false;
};

}  // namespace ulka::bridge
