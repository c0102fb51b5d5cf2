// Two bridge endpoints over a socket pair, the "page" side on a thread of its own: references are
// counted and given back, objects coming home are themselves, and a peer that closes or talks
// nonsense ends calls instead of hanging them.
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <future>
#include <thread>

#include "automation/ThreadQueue.h"
#include "automation/VekObjectEx.h"
#include "web/bridge/BridgeEndpoint.h"
#include "web/bridge/BridgeProxy.h"

namespace ulka::bridge {
namespace {

// An endpoint that waits on its socket and hands out one object as the "document".
class TestEndpoint final : public BridgeEndpoint {
 public:
  TestEndpoint(int fd, Ref<IDispatch> document) : BridgeEndpoint(fd), document_(std::move(document)) {}
  std::atomic<size_t> exportsSeen{0};

 protected:
  void WaitForInput() override { Socket().WaitAndRead(-1); }
  bool ServePageMessage(const Frame& frame, Reader& in) override {
    if (frame.message == Message::GetDocument) {
      Serve<GetDocumentMsg>(frame, in, [this](auto&, auto& reply) { reply.document = Variant(document_.get()); });
      return true;
    }
    // A round trip that lends nothing and reports the table as it stands.
    if (frame.message == Message::NewDocument) {
      Serve<NewDocumentMsg>(frame, in, [this](auto&, auto&) { exportsSeen = ExportCount(); });
      return true;
    }
    return false;
  }

 private:
  Ref<IDispatch> document_;
};

// The far side: serves until its socket closes or it is told to stop.
class FarSide {
 public:
  explicit FarSide(int fd) {
    thread_ = std::thread([this, fd] {
      auto object = MakeRef<TRtlObject>();
      object_ = object.get();
      auto endpoint = std::make_shared<TestEndpoint>(fd, object);
      endpoint_ = endpoint.get();
      ready_.set_value();
      while (!stop_ && endpoint->IsOpen()) {
        pollfd p{endpoint->Fd(), POLLIN, 0};
        if (poll(&p, 1, 50) > 0) endpoint->ServeIncoming();
      }
      endpoint->Close();
    });
    ready_.get_future().wait();
  }
  ~FarSide() {
    stop_ = true;
    thread_.join();
  }
  size_t Exports() const { return endpoint_->exportsSeen; }
  TRtlObject* Object() const { return object_; }

 private:
  std::thread thread_;
  std::promise<void> ready_;
  std::atomic<bool> stop_{false};
  TestEndpoint* endpoint_ = nullptr;
  TRtlObject* object_ = nullptr;
};

struct Connection {
  std::shared_ptr<TestEndpoint> near;
  std::unique_ptr<FarSide> far;
  Connection() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    near = std::make_shared<TestEndpoint>(fds[0], nullptr);
    far = std::make_unique<FarSide>(fds[1]);
  }
  Ref<IDispatch> Document() {
    GetDocumentMsg::Reply reply;
    if (Failed(near->Call<GetDocumentMsg>({}, reply)) || !reply.document.IsObject()) return nullptr;
    return reply.document.Dispatch();
  }
  // One round trip that lends nothing: everything sent before it has been served. Answers how
  // many objects the far side has lent.
  size_t FarExports() {
    NewDocumentMsg::Reply reply;
    near->Call<NewDocumentMsg>({u""}, reply);
    return far->Exports();
  }
};

HRESULT Put(IDispatch* object, const WideString& name, const Variant& value) {
  IDispatchEx* ex = object->DispatchEx();
  DISPID id;
  HRESULT hr = ex->GetDispID(name, fdexNameEnsure, id);
  if (Failed(hr)) return hr;
  NamedArg put{DISPID_PROPERTYPUT, value};
  DispParams params{{}, std::span<NamedArg>(&put, 1)};
  return ex->InvokeEx(id, DISPATCH_PROPERTYPUT, params, nullptr, nullptr, nullptr);
}

Variant Get(IDispatch* object, const WideString& name) {
  IDispatchEx* ex = object->DispatchEx();
  DISPID id;
  Variant result;
  DispParams none;
  if (Succeeded(ex->GetDispID(name, 0, id))) ex->InvokeEx(id, DISPATCH_PROPERTYGET, none, &result, nullptr, nullptr);
  return result;
}

TEST(BridgeEndpoint, OneProxyPerObjectAndReferencesComeBack) {
  Connection c;
  Ref<IDispatch> first = c.Document();
  Ref<IDispatch> second = c.Document();
  ASSERT_TRUE(first);
  EXPECT_EQ(first.get(), second.get());
  EXPECT_NE(first->DispatchEx(), nullptr);
  EXPECT_EQ(c.FarExports(), 1u);
  first = nullptr;
  EXPECT_EQ(c.FarExports(), 1u);
  second = nullptr;  // the last proxy reference gives both lent references back
  EXPECT_EQ(c.FarExports(), 0u);
  Ref<IDispatch> again = c.Document();
  EXPECT_TRUE(again);
  EXPECT_EQ(c.FarExports(), 1u);
}

TEST(BridgeEndpoint, AProxyReleasedOnAnotherThreadGivesItsReferencesBackLater) {
  Connection c;
  IDispatch* dying = c.Document().Detach();
  std::thread([dying] { dying->Release(); }).join();  // the last reference: deletion is queued here
  Ref<IDispatch> fresh = c.Document();               // must not revive the dying proxy
  ASSERT_TRUE(fresh);
  EXPECT_NE(fresh.get(), dying);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  EXPECT_EQ(c.FarExports(), 1u);
  fresh = nullptr;
  EXPECT_EQ(c.FarExports(), 0u);
}

TEST(BridgeEndpoint, ValuesAndObjectsRoundTripThroughExpandoMembers) {
  Connection c;
  Ref<IDispatch> document = c.Document();
  ASSERT_TRUE(document);
  ASSERT_EQ(Put(document.get(), u"Answer", Variant(int32_t{42})), S_OK);
  EXPECT_EQ(Get(document.get(), u"answer").Int(), 42);
  // The proxy stored on its own object comes home as the object itself, and back here as the
  // same proxy.
  ASSERT_EQ(Put(document.get(), u"self", Variant(document.get())), S_OK);
  Variant self = Get(document.get(), u"SELF");
  ASSERT_TRUE(self.IsObject());
  EXPECT_EQ(self.Dispatch(), document.get());
  ASSERT_EQ(Put(document.get(), u"self", Variant()), S_OK);  // no cycle left behind
  EXPECT_TRUE(Get(document.get(), u"missing").IsEmpty());
}

TEST(BridgeEndpoint, FailuresCarryTheirMessageAcross) {
  Connection c;
  Ref<IDispatch> document = c.Document();
  ASSERT_TRUE(document);
  ASSERT_EQ(Put(document.get(), u"five", Variant(int32_t{5})), S_OK);
  IDispatchEx* ex = document->DispatchEx();
  DISPID id;
  ASSERT_EQ(ex->GetDispID(u"five", 0, id), S_OK);
  DispParams none;
  Variant result;
  EXPECT_EQ(ex->InvokeEx(id, DISPATCH_METHOD, none, &result, nullptr, nullptr), DISP_E_BADCALLEE);
  EXPECT_EQ(ex->GetDispID(u"absent", 0, id), DISP_E_UNKNOWNNAME);
  // A value without a layout fails its own call and leaves the connection alone.
  auto odd = std::make_shared<SafeArray>();
  odd->elementType = VT_EMPTY;
  odd->bounds = {{1, 0}};
  EXPECT_EQ(Put(document.get(), u"odd", Variant::FromArray(odd)), DISP_E_BADVARTYPE);
  EXPECT_FALSE(c.near->IsClosed());
  EXPECT_EQ(Get(document.get(), u"five").Int(), 5);
}

TEST(BridgeEndpoint, CallsFailOnceThePeerHasGone) {
  Connection c;
  Ref<IDispatch> document = c.Document();
  ASSERT_TRUE(document);
  c.far.reset();  // the far side closes its end
  ExcepInfo excep;
  DispParams none;
  Variant result;
  EXPECT_EQ(document->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, RPC_E_DISCONNECTED);
  EXPECT_EQ(excep.description, DisconnectedText());
  EXPECT_TRUE(c.near->IsClosed());
}

TEST(BridgeEndpoint, AReplySentJustBeforeThePeerLeavesStillArrives) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  auto endpoint = std::make_shared<TestEndpoint>(fds[0], nullptr);
  // The peer answers the request (the document is Empty) and closes at once.
  std::thread peer([fd = fds[1]] {
    uint8_t request[kFrameHeaderSize];
    if (read(fd, request, sizeof request) != static_cast<ssize_t>(sizeof request)) return;
    uint8_t reply[kFrameHeaderSize + 2] = {2, 0, 0, 0, static_cast<uint8_t>(FrameKind::Reply),
                                           static_cast<uint8_t>(Message::GetDocument), 0};
    std::memcpy(reply + 7, request + 7, 8);  // the call id
    if (write(fd, reply, sizeof reply) < 0) return;
    close(fd);
  });
  GetDocumentMsg::Reply reply;
  EXPECT_EQ(endpoint->Call<GetDocumentMsg>({}, reply), S_OK);
  EXPECT_TRUE(reply.document.IsEmpty());
  peer.join();
}

// A proxy belongs to its connection's thread: a call from another thread (a script thread) is run
// there while that thread serves its call queue; from a thread with no queue left, it is refused.
TEST(BridgeEndpoint, CallsFromOtherThreadsRunOnTheConnectionsThread) {
  Connection c;
  Ref<IDispatch> document = c.Document();
  ASSERT_TRUE(document);
  ASSERT_EQ(Put(document.get(), u"marker", Variant(WideString(u"far"))), S_OK);
  DISPID id = DISPID_UNKNOWN;
  ASSERT_EQ(document->DispatchEx()->GetDispID(u"marker", 0, id), S_OK);

  HRESULT hr = E_FAIL;
  Variant result;
  std::thread::id ranOn;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    DispParams none;
    ExcepInfo excep;
    hr = document->DispatchEx()->InvokeEx(id, DISPATCH_PROPERTYGET, none, &result, &excep, nullptr);
    done = true;
    WakeWaitingThreads();
  });
  EXPECT_TRUE(WaitServingQueue([&] { return done.load(); }, 10000));
  worker.join();
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(result.Text(), u"far");

  // A connection made on a thread that has ended: nobody can run the call any more.
  std::shared_ptr<TestEndpoint> orphanNear;
  Ref<IDispatch> orphanDocument;
  std::unique_ptr<FarSide> orphanFar;
  std::thread([&] {
    OpenThreadQueue();
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    orphanNear = std::make_shared<TestEndpoint>(fds[0], nullptr);
    orphanFar = std::make_unique<FarSide>(fds[1]);
    GetDocumentMsg::Reply reply;
    ASSERT_EQ(orphanNear->Call<GetDocumentMsg>({}, reply), S_OK);
    orphanDocument = reply.document.Dispatch();
    CloseThreadQueue();
  }).join();
  ASSERT_TRUE(orphanDocument);
  DispParams none;
  ExcepInfo excep;
  Variant ignored;
  EXPECT_EQ(orphanDocument->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &ignored, &excep), RPC_E_WRONG_THREAD);
}

TEST(BridgeEndpoint, GarbageFromThePeerClosesTheConnection) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  auto endpoint = std::make_shared<TestEndpoint>(fds[0], nullptr);
  const uint8_t garbage[] = {3, 0, 0, 0, 1, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3};  // unknown message
  ASSERT_EQ(write(fds[1], garbage, sizeof garbage), static_cast<ssize_t>(sizeof garbage));
  pollfd p{endpoint->Fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  endpoint->ServeIncoming();
  EXPECT_TRUE(endpoint->IsClosed());
  close(fds[1]);
}

}  // namespace
}  // namespace ulka::bridge
