#include "web/bridge/HostConnection.h"

#include <glib-unix.h>

namespace ulka::bridge {

HostConnection::HostConnection(int fd, Hooks hooks) : BridgeEndpoint(fd), hooks_(std::move(hooks)) {
  importsInterfaces_ = false;
}

HostConnection::~HostConnection() {
  if (source_) {
    g_source_destroy(source_);
    g_source_unref(source_);
  }
}

void HostConnection::Start() {
  if (source_ || !IsOpen()) return;
  source_ = g_unix_fd_source_new(Fd(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
  // A page call served here may call into the page, whose answer arrives through this same
  // source while the outer dispatch is still running.
  g_source_set_can_recurse(source_, TRUE);
  g_source_set_callback(source_, G_SOURCE_FUNC(&HostConnection::OnReadable), this, nullptr);
  g_source_attach(source_, g_main_context_default());
}

gboolean HostConnection::OnReadable(gint, GIOCondition, gpointer self) {
  auto* connection = static_cast<HostConnection*>(self);
  auto keepAlive = connection->shared_from_this();
  try {
    connection->ServeIncoming();
  } catch (...) {
    connection->Close();  // nothing escapes into the main loop
  }
  return connection->IsClosed() ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void HostConnection::WaitForInput() { g_main_context_iteration(nullptr, TRUE); }

void HostConnection::OnClosed() {
  if (source_) {
    g_source_destroy(source_);
    g_source_unref(source_);
    source_ = nullptr;
  }
}

bool HostConnection::ServePageMessage(const Frame& frame, Reader& in) {
  switch (frame.message) {
    case Message::Hello:
      Serve<HelloMsg>(frame, in, [this](auto& request, auto&) {
        if (identified_ || request.version != kProtocolVersion || !hooks_.checkSecret ||
            !hooks_.checkSecret(request.secret)) {
          throw ProtocolError("the page presented no valid secret");
        }
        identified_ = true;
        pageId_ = request.pageId;
      });
      return true;
    case Message::NewDocument:
      if (!identified_) throw ProtocolError("a page spoke before it said who it is");
      Serve<NewDocumentMsg>(frame, in, [this](auto& request, auto& reply) {
        // Whatever the previous document held goes before the new one gets anything.
        DropDocumentObjects();
        Variant external;
        documentTrusted_ = hooks_.newDocument && hooks_.newDocument(pageId_, request.frameId, request.url, external);
        reply.trusted = documentTrusted_;
        if (documentTrusted_ && external.IsObject()) reply.external = std::move(external);
      });
      return true;
    case Message::FrameDocument:
      if (!identified_) throw ProtocolError("a page spoke before it said who it is");
      Serve<FrameDocumentMsg>(frame, in, [this](auto& request, auto& reply) {
        reply.trusted = hooks_.frameDocument &&
                        hooks_.frameDocument(pageId_, request.frameId, request.origin, request.url);
      });
      return true;
    case Message::UserActivation:
      if (!identified_) throw ProtocolError("a page spoke before it said who it is");
      Serve<UserActivationMsg>(frame, in, [this](auto& request, auto&) {
        if (hooks_.userActivation) hooks_.userActivation(pageId_, request.frameId);
      });
      return true;
    default:
      return false;
  }
}

}  // namespace ulka::bridge
