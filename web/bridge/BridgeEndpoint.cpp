#include "web/bridge/BridgeEndpoint.h"

#include "automation/VekObjectEx.h"
#include "web/bridge/BridgeProxy.h"
#include "web/bridge/InterfaceDescription.h"

namespace ulka::bridge {

BridgeEndpoint::BridgeEndpoint(int fd) : socket_(fd), owner_(std::this_thread::get_id()) {}

BridgeEndpoint::~BridgeEndpoint() {
  // Proxies outlive their endpoint as dead objects; they reach it only through a weak pointer.
  for (auto& [id, proxy] : imports_) proxy->CutOff();
}

// ---- calls --------------------------------------------------------------------------------

bool BridgeEndpoint::CallRaw(Message message, const Writer& request, Frame& reply) {
  if (closed_ || !OnOwnerThread()) return false;
  auto keepAlive = shared_from_this();
  const uint64_t callId = ++nextCallId_;
  ++traffic_;
  pending_.insert(callId);
  if (!socket_.Send(FrameKind::Request, message, callId, request.Buffer(), request.Blocks())) {
    pending_.erase(callId);
    Close();
    return false;
  }
  for (;;) {
    if (auto it = replies_.find(callId); it != replies_.end()) {
      reply = std::move(it->second);
      replies_.erase(it);
      pending_.erase(callId);
      return true;
    }
    // What arrived before the peer went is still served: the reply may be among it.
    if (HandleOneBufferedFrame()) continue;
    if (closed_ || !socket_.IsOpen()) {
      pending_.erase(callId);
      Close();
      return false;
    }
    WaitForInput();
  }
}

void BridgeEndpoint::ServeIncoming() {
  if (closed_) return;
  auto keepAlive = shared_from_this();
  socket_.ReadAvailable();  // false when the peer has gone; what it sent before is still served
  while (HandleOneBufferedFrame()) {
  }
  if (!socket_.IsOpen()) Close();
}

bool BridgeEndpoint::HandleOneBufferedFrame() {
  if (closed_) return false;
  try {
    std::optional<Frame> frame = socket_.PopFrame();
    if (!frame) return false;
    HandleFrame(*frame);
    return true;
  } catch (const ProtocolError&) {
    Close();
    return false;
  }
}

void BridgeEndpoint::HandleFrame(Frame& frame) {
  if (frame.kind != FrameKind::Reply) ++traffic_;
  if (frame.kind == FrameKind::Reply) {
    if (pending_.count(frame.callId)) replies_[frame.callId] = std::move(frame);
    return;
  }
  Reader request(frame.body.data(), frame.body.size(), this, &frame.blocks);
  struct Serving {
    int& depth;
    bool counts;
    ~Serving() { depth -= counts; }
  } serving{servingRequests_, frame.kind == FrameKind::Request};
  servingRequests_ += serving.counts;
  if (!ServeObjectMessage(frame, request) && !ServePageMessage(frame, request)) {
    throw ProtocolError("unknown bridge message");
  }
}

void BridgeEndpoint::SendReply(const Frame& frame, const Writer& reply) {
  if (frame.kind != FrameKind::Request) return;
  if (!socket_.Send(FrameKind::Reply, frame.message, frame.callId, reply.Buffer(), reply.Blocks())) Close();
}

void BridgeEndpoint::Close() {
  if (closed_) return;
  closed_ = true;
  socket_.Close();
  CutOffImports();
  // Released after the tables are consistent: a released object may reach back here.
  auto lent = std::move(exports_);
  exports_.clear();
  exportIds_.clear();
  OnClosed();
  lent.clear();
}

void BridgeEndpoint::DropDocumentObjects() {
  CutOffImports();
  auto lent = std::move(exports_);
  exports_.clear();
  exportIds_.clear();
  lent.clear();
}

void BridgeEndpoint::CutOffImports() {
  auto cut = std::move(imports_);
  imports_.clear();
  for (auto& [id, proxy] : cut) proxy->CutOff();
}

// ---- object tables ------------------------------------------------------------------------

WireObject BridgeEndpoint::Export(IDispatch* object) {
  WireObject wire;
  if (!object) return wire;
  if (auto* proxy = dynamic_cast<BridgeProxy*>(object); proxy && proxy->BelongsTo(this)) {
    wire.owner = WireObject::Owner::Receiver;
    wire.id = proxy->RemoteId();
    return wire;
  }
  ExportEntry* entry;
  if (auto it = exportIds_.find(object); it != exportIds_.end()) {
    entry = &exports_[it->second];
  } else {
    const uint64_t id = ++nextExportId_;
    exportIds_[object] = id;
    entry = &exports_[id];
    entry->object = object;
    entry->wire.owner = WireObject::Owner::Sender;
    entry->wire.id = id;
    entry->wire.hasEx = object->DispatchEx() != nullptr;
    entry->wire.callable = object->IsCallable();
    const InterfaceInfo* info = nullptr;
    if (object->GetTypeInfoCount() > 0 && Succeeded(object->GetTypeInfo(0, info)) && info) {
      entry->wire.interfaceName = info->Name();
    }
  }
  ++entry->sent;
  return entry->wire;
}

Ref<IDispatch> BridgeEndpoint::Import(const WireObject& wire) {
  if (wire.owner == WireObject::Owner::Receiver) {
    IDispatch* own = Exported(wire.id);
    return own;  // null when it is gone
  }
  if (wire.owner != WireObject::Owner::Sender) return nullptr;
  if (closed_) return nullptr;
  if (auto it = imports_.find(wire.id); it != imports_.end()) {
    BridgeProxy* known = it->second;
    if (known->TryAddRef()) {
      known->CountReceived();
      return Ref<IDispatch>::Adopt(known);
    }
    imports_.erase(it);  // dying: it gives back its own count; a new proxy takes this one
  }
  auto* proxy = new BridgeProxy(weak_from_this(), wire.id, wire.hasEx, wire.callable,
                                importsInterfaces_ ? wire.interfaceName : WideString());
  imports_[wire.id] = proxy;
  return Ref<IDispatch>(proxy);
}

void BridgeEndpoint::ReturnImport(uint64_t id, uint32_t count, BridgeProxy* proxy) {
  if (auto it = imports_.find(id); it != imports_.end() && it->second == proxy) imports_.erase(it);
  if (count > 0 && !closed_) Post<ReleaseMsg>({id, count});
}

IDispatch* BridgeEndpoint::Exported(uint64_t id) {
  auto it = exports_.find(id);
  return it == exports_.end() ? nullptr : it->second.object.get();
}

const InterfaceInfo* BridgeEndpoint::InterfaceFor(uint64_t id, const WideString& name) {
  if (const InterfaceInfo* known = KnownInterface(name)) return known;
  DescribeInterfaceMsg::Reply description;
  if (Failed(Call<DescribeInterfaceMsg>({id}, description)) || !description.found || description.name != name) {
    return nullptr;
  }
  return InterfaceFromDescription(description);
}

// ---- serving the other side ---------------------------------------------------------------

bool BridgeEndpoint::ServeObjectMessage(const Frame& frame, Reader& in) {
  switch (frame.message) {
    case Message::GetIDsOfNames:
      Serve<GetIDsOfNamesMsg>(frame, in, [this](auto& rq, auto& rp) { ServeGetIDsOfNames(rq, rp); });
      return true;
    case Message::GetDispID:
      Serve<GetDispIDMsg>(frame, in, [this](auto& rq, auto& rp) { ServeGetDispID(rq, rp); });
      return true;
    case Message::Invoke:
      Serve<InvokeMsg>(frame, in, [this](auto& rq, auto& rp) { ServeInvoke(rq, rp); });
      return true;
    case Message::DescribeInterface:
      Serve<DescribeInterfaceMsg>(frame, in, [this](auto& rq, auto& rp) { ServeDescribe(rq, rp); });
      return true;
    case Message::Release:
      Serve<ReleaseMsg>(frame, in, [this](auto& rq, auto&) { ServeRelease(rq); });
      return true;
    case Message::MemberNames:
      Serve<MemberNamesMsg>(frame, in, [this](auto& rq, auto& rp) { ServeMemberNames(rq, rp); });
      return true;
    default:
      return false;
  }
}

void BridgeEndpoint::ServeGetIDsOfNames(const GetIDsOfNamesMsg::Request& request, GetIDsOfNamesMsg::Reply& reply) {
  Ref<IDispatch> object(Exported(request.object));
  reply.ids.assign(request.names.size(), DISPID_UNKNOWN);
  if (!object) {
    reply.hr = RPC_E_DISCONNECTED;
    return;
  }
  if (request.names.empty()) {
    reply.hr = E_INVALIDARG;
    return;
  }
  reply.hr = object->GetIDsOfNames(request.names, reply.ids.data());
}

void BridgeEndpoint::ServeMemberNames(const MemberNamesMsg::Request& request, MemberNamesMsg::Reply& reply) {
  Ref<IDispatch> object(Exported(request.object));
  IDispatchEx* ex = object ? object->DispatchEx() : nullptr;
  reply.hr = !object ? RPC_E_DISCONNECTED : ex ? ex->GetMemberNames(reply.names) : E_NOTIMPL;
}

void BridgeEndpoint::ServeGetDispID(const GetDispIDMsg::Request& request, GetDispIDMsg::Reply& reply) {
  Ref<IDispatch> object(Exported(request.object));
  reply.id = DISPID_UNKNOWN;
  if (!object) {
    reply.hr = RPC_E_DISCONNECTED;
    return;
  }
  IDispatchEx* ex = object->DispatchEx();
  if (!ex) {
    reply.hr = object->GetIDsOfNames(std::span<const WideString>(&request.name, 1), &reply.id);
    return;
  }
  reply.hr = ex->GetDispID(request.name, request.flags, reply.id);
  // Reading an expando member has no effect, so its value can travel with its id.
  if (request.prefetch && Succeeded(reply.hr) && reply.id >= DISPID_EXPANDO_BASE &&
      dynamic_cast<TVekObjectEx*>(object.get())) {
    DispParams none;
    reply.fetched = Succeeded(ex->InvokeEx(reply.id, DISPATCH_PROPERTYGET, none, &reply.value, nullptr, nullptr));
    if (!reply.fetched) reply.value.Clear();
  }
}

void BridgeEndpoint::ServeInvoke(InvokeMsg::Request& request, InvokeMsg::Reply& reply) {
  Ref<IDispatch> object(Exported(request.object));
  if (!object) {
    reply.hr = DISP_E_EXCEPTION;
    reply.excep.description = DisconnectedText();
    reply.excep.scode = RPC_E_DISCONNECTED;
    return;
  }
  std::vector<NamedArg> named;
  named.reserve(request.named.size());
  for (WireNamedArg& n : request.named) named.push_back({n.id, std::move(n.value)});
  DispParams params{request.args, named};
  ExcepInfo excep;
  Variant* result = request.wantResult ? &reply.result : nullptr;
  IDispatchEx* ex = request.viaEx ? object->DispatchEx() : nullptr;
  reply.hr = ex ? ex->InvokeEx(request.id, request.flags, params, result, &excep, nullptr)
                : object->Invoke(request.id, request.flags, params, result, &excep);
  if (reply.hr == DISP_E_EXCEPTION) {
    reply.excep.description = std::move(excep.description);
    reply.excep.source = std::move(excep.source);
    reply.excep.scode = excep.scode;
    reply.excep.helpContext = excep.helpContext;
  }
}

void BridgeEndpoint::ServeDescribe(const DescribeInterfaceMsg::Request& request, DescribeInterfaceMsg::Reply& reply) {
  Ref<IDispatch> object(Exported(request.object));
  const InterfaceInfo* info = nullptr;
  if (!object || object->GetTypeInfoCount() == 0 || Failed(object->GetTypeInfo(0, info)) || !info) return;
  DescribeInterface(*info, reply);
}

void BridgeEndpoint::ServeRelease(const ReleaseMsg::Request& request) {
  auto it = exports_.find(request.object);
  if (it == exports_.end()) return;
  it->second.sent -= std::min<uint64_t>(it->second.sent, request.count);
  if (it->second.sent > 0) return;
  Ref<IDispatch> released = std::move(it->second.object);
  exportIds_.erase(released.get());
  exports_.erase(it);
}

}  // namespace ulka::bridge
