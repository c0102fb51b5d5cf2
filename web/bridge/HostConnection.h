// The host's end of one page's connection. It waits by iterating the GLib main context, so the
// engine's own messages keep flowing while a page call is outstanding.
#pragma once

#include <glib.h>

#include <functional>

#include "web/bridge/BridgeEndpoint.h"

namespace ulka::bridge {

class HostConnection final : public BridgeEndpoint {
 public:
  struct Hooks {
    // Whether the secret the extension presents is the one the host handed out.
    std::function<bool(const WideString& secret)> checkSecret;
    // A new document: answers whether it may have `window.external`, and which object.
    std::function<bool(uint64_t pageId, uint64_t frameId, const WideString& url, Variant& external)> newDocument;
    // A new document in a frame inside the page: answers whether it is the application's own.
    std::function<bool(uint64_t pageId, uint64_t frameId, const WideString& origin, const WideString& url)>
        frameDocument;
    // The user acted in a frame.
    std::function<void(uint64_t pageId, uint64_t frameId)> userActivation;
  };

  HostConnection(int fd, Hooks hooks);
  ~HostConnection() override;

  // Starts serving from the main context (after the endpoint is owned by a shared pointer).
  void Start();

  bool Identified() const { return identified_; }
  uint64_t PageId() const { return pageId_; }
  bool DocumentTrusted() const { return documentTrusted_; }

 protected:
  void WaitForInput() override;
  bool ServePageMessage(const Frame& frame, Reader& request) override;
  void OnClosed() override;

 private:
  static gboolean OnReadable(gint fd, GIOCondition condition, gpointer self);

  Hooks hooks_;
  GSource* source_ = nullptr;
  bool identified_ = false;
  uint64_t pageId_ = 0;
  bool documentTrusted_ = false;
};

}  // namespace ulka::bridge
