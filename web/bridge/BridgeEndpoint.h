// One side of a page connection: the table of objects this side lent to the other (exports), the
// proxies of the other side's objects (imports), synchronous calls that keep serving the other
// side's requests while they wait, and the serving of object requests. The host and the web
// process extension derive from it and differ in how they wait and in the page messages.
#pragma once

#include <memory>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "automation/TypeInfo.h"
#include "web/bridge/FrameSocket.h"

namespace ulka::bridge {

class BridgeProxy;

class BridgeEndpoint : public ObjectCodec, public std::enable_shared_from_this<BridgeEndpoint> {
 public:
  explicit BridgeEndpoint(int fd);
  BridgeEndpoint(const BridgeEndpoint&) = delete;
  BridgeEndpoint& operator=(const BridgeEndpoint&) = delete;
  virtual ~BridgeEndpoint();

  // Sends a request and waits for its reply, serving the other side meanwhile. Answers S_OK,
  // RPC_E_DISCONNECTED when the connection is closed or closes before the reply, or
  // DISP_E_BADVARTYPE when the request holds a value that cannot cross.
  template <class M>
  HRESULT Call(const typename M::Request& request, typename M::Reply& reply);
  // Sends a message that has no reply.
  template <class M>
  void Post(const typename M::Request& request);

  // Reads what has arrived and handles every complete frame (the transport's watch calls it).
  void ServeIncoming();
  bool IsOpen() const { return !closed_ && socket_.IsOpen(); }
  bool IsClosed() const { return closed_; }
  int Fd() const { return socket_.Fd(); }
  // Closes the connection: waits end, lent objects are released, proxies fail from now on.
  void Close();
  // A new document: everything lent for the previous one is released, and the proxies it held
  // are cut off without giving anything back (the other side drops its own table too).
  void DropDocumentObjects();

  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }
  // Whether a request of the other side is being served here now: that side waits for the answer.
  bool ServingRequest() const { return servingRequests_ > 0; }
  // Counts the messages that went either way: a value fetched ahead is still current while this
  // has not moved since.
  uint64_t Traffic() const { return traffic_; }

  // ObjectCodec
  WireObject Export(IDispatch* object) override;
  Ref<IDispatch> Import(const WireObject& object) override;

  // For proxies.
  void ReturnImport(uint64_t id, uint32_t count, BridgeProxy* proxy);
  const InterfaceInfo* InterfaceFor(uint64_t id, const WideString& name);
  size_t ExportCount() const { return exports_.size(); }

 protected:
  // Blocks until something may have arrived (the host iterates the main loop; the web process
  // waits on the socket). Must let ServeIncoming run or read into the socket's buffer; a peer
  // that has gone shows as a closed socket afterwards.
  virtual void WaitForInput() = 0;
  // Page messages (everything that is not an object message). Answers whether the message was
  // one this side serves (and then has served it with Serve).
  virtual bool ServePageMessage(const Frame& frame, Reader& request) { return false; }
  virtual void OnClosed() {}

  FrameSocket& Socket() { return socket_; }
  bool CallRaw(Message message, const Writer& request, Frame& reply);

  // Reads a request, runs `serve` on it and sends its reply. A failure inside becomes a failed
  // status rather than a broken connection. The reply leaves before the request's and the reply's
  // values are released: a proxy dropped here must not give its object back ahead of a reply
  // that names it.
  template <class M, class F>
  void Serve(const Frame& frame, Reader& in, F&& serve);
  void SendReply(const Frame& frame, const Writer& reply);

  // Whether proxies made here take the interface descriptions the other side announces. The host
  // does not: pages have no interface tables, and a page must not add to the host's.
  bool importsInterfaces_ = true;

 private:
  struct ExportEntry {
    Ref<IDispatch> object;
    uint64_t sent = 0;
    WireObject wire;  // how the object is announced
  };

  bool HandleOneBufferedFrame();
  void HandleFrame(Frame& frame);
  bool ServeObjectMessage(const Frame& frame, Reader& request);
  void ServeGetIDsOfNames(const GetIDsOfNamesMsg::Request& request, GetIDsOfNamesMsg::Reply& reply);
  void ServeGetDispID(const GetDispIDMsg::Request& request, GetDispIDMsg::Reply& reply);
  void ServeInvoke(InvokeMsg::Request& request, InvokeMsg::Reply& reply);
  void ServeDescribe(const DescribeInterfaceMsg::Request& request, DescribeInterfaceMsg::Reply& reply);
  void ServeMemberNames(const MemberNamesMsg::Request& request, MemberNamesMsg::Reply& reply);
  void ServeRelease(const ReleaseMsg::Request& request);
  IDispatch* Exported(uint64_t id);
  void CutOffImports();

  FrameSocket socket_;
  bool closed_ = false;
  std::thread::id owner_;
  uint64_t nextCallId_ = 0;
  uint64_t traffic_ = 0;
  int servingRequests_ = 0;
  std::unordered_set<uint64_t> pending_;
  std::unordered_map<uint64_t, Frame> replies_;

  uint64_t nextExportId_ = 0;
  std::unordered_map<uint64_t, ExportEntry> exports_;
  std::unordered_map<IDispatch*, uint64_t> exportIds_;
  std::unordered_map<uint64_t, BridgeProxy*> imports_;
};

template <class M>
HRESULT BridgeEndpoint::Call(const typename M::Request& request, typename M::Reply& reply) {
  static_assert(!M::kOneWay);
  Writer writer(this);
  try {
    writer.Put(request);
  } catch (const UnsupportedValue&) {
    return DISP_E_BADVARTYPE;
  }
  Frame answer;
  if (!CallRaw(M::kId, writer, answer)) return RPC_E_DISCONNECTED;
  try {
    Reader reader(answer.body.data(), answer.body.size(), this, &answer.blocks);
    reader.Get(reply);
    reader.ExpectEnd();
    return S_OK;
  } catch (const ProtocolError&) {
    Close();
    return RPC_E_DISCONNECTED;
  }
}

template <class M, class F>
void BridgeEndpoint::Serve(const Frame& frame, Reader& in, F&& serve) {
  typename M::Request request;
  in.Get(request);
  in.ExpectEnd();
  typename M::Reply reply;
  try {
    serve(request, reply);
  } catch (const ProtocolError&) {
    throw;
  } catch (const std::exception&) {
    reply = typename M::Reply{};
    if constexpr (requires { reply.hr; }) reply.hr = E_UNEXPECTED;
  }
  if constexpr (!M::kOneWay) {
    Writer out(this);
    try {
      out.Put(reply);
    } catch (const UnsupportedValue&) {
      // The answer holds a value that cannot cross: the caller gets a failure instead.
      reply = typename M::Reply{};
      if constexpr (requires { reply.hr; }) reply.hr = DISP_E_BADVARTYPE;
      out = Writer(this);
      out.Put(reply);
    }
    SendReply(frame, out);
  }
}

template <class M>
void BridgeEndpoint::Post(const typename M::Request& request) {
  static_assert(M::kOneWay);
  if (closed_ || !IsOpen()) return;
  Writer writer(this);
  try {
    writer.Put(request);
  } catch (const UnsupportedValue&) {
    return;
  }
  if (!socket_.Send(FrameKind::OneWay, M::kId, 0, writer.Buffer(), writer.Blocks())) Close();
}

}  // namespace ulka::bridge
