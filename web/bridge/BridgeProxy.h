// An object of the other side of a page connection. Each call crosses the socket; the object's
// interface description is fetched once per interface name, so the script binding can give it
// the same shape as a local object.
#pragma once

#include <atomic>
#include <optional>
#include <thread>

#include "web/bridge/BridgeEndpoint.h"

namespace ulka::bridge {

class BridgeProxy final : public IDispatch, public IDispatchEx {
 public:
  BridgeProxy(std::weak_ptr<BridgeEndpoint> endpoint, uint64_t remoteId, bool hasEx, bool callable,
              WideString interfaceName);

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override;

  uint32_t GetTypeInfoCount() override { return interfaceName_.empty() ? 0 : 1; }
  HRESULT GetTypeInfo(uint32_t index, const InterfaceInfo*& info) override;
  HRESULT GetIDsOfNames(std::span<const WideString> names, DISPID* ids) override;
  HRESULT Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep) override;
  IDispatchEx* DispatchEx() override { return hasEx_ ? this : nullptr; }
  bool IsCallable() override { return callable_; }
  HRESULT GetDispID(const WideString& name, uint32_t flags, DISPID& id) override;
  HRESULT InvokeEx(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep,
                   IDispatch* caller) override;
  HRESULT GetMemberNames(std::vector<WideString>& names) override;

  // Called by the endpoint.
  uint64_t RemoteId() const { return remoteId_; }
  bool BelongsTo(const BridgeEndpoint* endpoint) const;
  void CountReceived() { ++received_; }
  // Takes a reference unless the last one has already gone (the proxy is on its way out, maybe
  // released on another thread and not yet deleted here).
  bool TryAddRef();
  void CutOff() { cutOff_ = true; prefetched_.reset(); }

 private:
  struct Prefetched {
    DISPID id;
    Variant value;
    uint64_t traffic;  // the endpoint's traffic right after the value arrived
  };

  ~BridgeProxy() override;
  template <class F>
  HRESULT OnOwner(F&& body);
  HRESULT InvokeExHere(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep);
  std::shared_ptr<BridgeEndpoint> Usable(HRESULT& hr);
  HRESULT FetchTypeInfo(uint32_t index, const InterfaceInfo*& info);
  HRESULT RemoteIDsOfNames(std::span<const WideString> names, DISPID* ids);
  HRESULT RemoteDispID(const WideString& name, uint32_t flags, DISPID& id);
  HRESULT Send(DISPID id, uint16_t flags, bool viaEx, DispParams& params, Variant* result, ExcepInfo* excep);
  static HRESULT Unavailable(HRESULT hr, ExcepInfo* excep);

  std::atomic<uint32_t> refs_{0};
  std::weak_ptr<BridgeEndpoint> endpoint_;
  const BridgeEndpoint* endpointAddress_;
  std::thread::id owner_;
  uint64_t remoteId_;
  bool hasEx_;
  bool callable_;
  WideString interfaceName_;
  const InterfaceInfo* info_ = nullptr;
  uint32_t received_ = 1;
  bool cutOff_ = false;
  std::optional<Prefetched> prefetched_;
};

// The text of a failure of the connection itself.
WideString DisconnectedText();
WideString WrongThreadText();

}  // namespace ulka::bridge
