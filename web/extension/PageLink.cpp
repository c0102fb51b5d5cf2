#include "web/extension/PageLink.h"

#include <glib-unix.h>

#include "automation/Unicode.h"
#include "script/JsHandles.h"
#include "web/bridge/BridgeListener.h"

namespace ulka::bridge {

std::shared_ptr<PageLink> PageLink::Connect(const std::string& address, const std::string& secret, uint64_t pageId) {
  int fd = ConnectToBridge(address);
  if (fd < 0) return nullptr;
  auto link = std::make_shared<PageLink>(fd);
  link->Post<HelloMsg>({kProtocolVersion, pageId, Wide(secret)});
  link->Start();
  return link->IsClosed() ? nullptr : link;
}

PageLink::PageLink(int fd) : BridgeEndpoint(fd) {}

PageLink::~PageLink() {
  DetachDocument();
  OnClosed();
}

void PageLink::Start() {
  source_ = g_unix_fd_source_new(Fd(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
  g_source_set_callback(source_, G_SOURCE_FUNC(&PageLink::OnReadable), this, nullptr);
  g_source_attach(source_, g_main_context_default());
}

gboolean PageLink::OnReadable(gint, GIOCondition, gpointer self) {
  auto* link = static_cast<PageLink*>(self);
  auto keepAlive = link->shared_from_this();
  try {
    link->ServeIncoming();
  } catch (...) {
    link->Close();  // nothing escapes into the main loop
  }
  return link->IsClosed() ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void PageLink::WaitForInput() { Socket().WaitAndRead(-1); }

void PageLink::OnClosed() {
  if (!source_) return;
  g_source_destroy(source_);
  g_source_unref(source_);
  source_ = nullptr;
}

void PageLink::DetachDocument() {
  trusted_ = false;
  if (!context_) return;
  DetachContext(context_);
  JSGlobalContextRelease(context_);
  context_ = nullptr;
}

void PageLink::OnNewDocument(JSGlobalContextRef context, const WideString& url, uint64_t frameId) {
  DetachDocument();
  DropDocumentObjects();
  frameTrusted_.clear();
  lastActionTrusted_.reset();
  if (IsClosed() || !context) return;
  context_ = JSGlobalContextRetain(context);
  AttachContext(context_, std::make_shared<EngineLink>());
  NewDocumentMsg::Reply reply;
  if (Failed(Call<NewDocumentMsg>({url, frameId}, reply))) return;
  trusted_ = reply.trusted;
  frameTrusted_[frameId] = trusted_;
  if (trusted_) InstallExternal(reply.external);
}

void PageLink::OnFrameDocument(uint64_t frameId, const WideString& origin, const WideString& url) {
  FrameDocumentMsg::Reply reply;
  if (IsClosed() || Failed(Call<FrameDocumentMsg>({frameId, origin, url}, reply))) return;
  frameTrusted_[frameId] = reply.trusted;
}

// Only a change of side is news to the host: a run of keys typed in one frame costs nothing.
void PageLink::OnUserActivation(uint64_t frameId) {
  auto found = frameTrusted_.find(frameId);
  const bool trusted = found != frameTrusted_.end() && found->second;
  if (lastActionTrusted_ == trusted || IsClosed()) return;
  UserActivationMsg::Reply reply;
  if (Succeeded(Call<UserActivationMsg>({frameId}, reply))) lastActionTrusted_ = trusted;
}

void PageLink::InstallExternal(const Variant& external) {
  if (!context_ || !trusted_) return;
  JSObjectRef global = JSContextGetGlobalObject(context_);
  JsString name("external");
  JSValueRef value = external.IsObject() && external.Dispatch()
                         ? static_cast<JSValueRef>(WrapHostObject(context_, external.Dispatch()))
                         : JSValueMakeNull(context_);
  JSObjectDeleteProperty(context_, global, name, nullptr);
  JSObjectSetProperty(context_, global, name, value, kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontEnum,
                      nullptr);
}

Variant PageLink::DocumentObject() {
  if (!context_) return Variant();
  JSObjectRef global = JSContextGetGlobalObject(context_);
  JSValueRef document = JSObjectGetProperty(context_, global, JsString("document"), nullptr);
  if (!document || !JSValueIsObject(context_, document)) return Variant();
  return FromJs(context_, document);
}

bool PageLink::ServePageMessage(const Frame& frame, Reader& in) {
  switch (frame.message) {
    case Message::GetDocument:
      Serve<GetDocumentMsg>(frame, in, [this](auto&, auto& reply) { reply.document = DocumentObject(); });
      return true;
    case Message::SetExternal:
      Serve<SetExternalMsg>(frame, in, [this](auto& request, auto&) { InstallExternal(request.external); });
      return true;
    default:
      return false;
  }
}

}  // namespace ulka::bridge
