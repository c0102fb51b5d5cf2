#include "web/bridge/BridgeProxy.h"

#include <glib.h>

#include "automation/Messages.h"
#include "automation/ThreadQueue.h"
#include "automation/Unicode.h"

namespace ulka::bridge {

WideString DisconnectedText() { return Wide(msg::kBridgeDisconnected); }
WideString WrongThreadText() { return Wide(msg::kBridgeWrongThread); }

BridgeProxy::BridgeProxy(std::weak_ptr<BridgeEndpoint> endpoint, uint64_t remoteId, bool hasEx, bool callable,
                         WideString interfaceName)
    : endpoint_(std::move(endpoint)),
      endpointAddress_(endpoint_.lock().get()),
      owner_(std::this_thread::get_id()),
      remoteId_(remoteId),
      hasEx_(hasEx),
      callable_(callable),
      interfaceName_(std::move(interfaceName)) {}

BridgeProxy::~BridgeProxy() {
  if (auto endpoint = endpoint_.lock()) endpoint->ReturnImport(remoteId_, cutOff_ ? 0 : received_, this);
}

bool BridgeProxy::TryAddRef() {
  uint32_t current = refs_.load();
  while (current != 0) {
    if (refs_.compare_exchange_weak(current, current + 1)) return true;
  }
  return false;
}

uint32_t BridgeProxy::Release() {
  uint32_t left = --refs_;
  if (left != 0) return left;
  if (std::this_thread::get_id() == owner_) {
    delete this;
  } else {
    // The tables belong to the connection's thread: the last reference dropped elsewhere (a
    // collector thread, a script thread) is given back there.
    g_idle_add_full(G_PRIORITY_DEFAULT, [](gpointer self) -> gboolean {
      delete static_cast<BridgeProxy*>(self);
      return G_SOURCE_REMOVE;
    }, this, nullptr);
  }
  return 0;
}

namespace {

// These members are called from C frames (the script engine's callbacks): nothing may escape.
template <class F>
HRESULT Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

// The connection belongs to one thread: a call from another (a script thread) is run there while
// the caller waits.
template <class F>
HRESULT BridgeProxy::OnOwner(F&& body) {
  if (std::this_thread::get_id() == owner_) return Guarded(body);
  HRESULT hr = RPC_E_WRONG_THREAD;
  try {
    RunOnThread(owner_, [&] { hr = Guarded(body); });
  } catch (...) {
    hr = E_UNEXPECTED;
  }
  return hr;
}

bool BridgeProxy::BelongsTo(const BridgeEndpoint* endpoint) const { return endpoint == endpointAddress_; }

HRESULT BridgeProxy::Unavailable(HRESULT hr, ExcepInfo* excep) {
  if (excep) {
    excep->description = hr == RPC_E_WRONG_THREAD ? WrongThreadText() : DisconnectedText();
    excep->source.clear();
    excep->scode = hr;
  }
  return DISP_E_EXCEPTION;
}

std::shared_ptr<BridgeEndpoint> BridgeProxy::Usable(HRESULT& hr) {
  if (std::this_thread::get_id() != owner_) {
    hr = RPC_E_WRONG_THREAD;
    return nullptr;
  }
  auto endpoint = endpoint_.lock();
  if (!endpoint || !endpoint->IsOpen() || cutOff_) {
    hr = RPC_E_DISCONNECTED;
    return nullptr;
  }
  hr = S_OK;
  return endpoint;
}

HRESULT BridgeProxy::GetTypeInfo(uint32_t index, const InterfaceInfo*& info) {
  info = nullptr;
  return OnOwner([&] { return FetchTypeInfo(index, info); });
}

HRESULT BridgeProxy::FetchTypeInfo(uint32_t index, const InterfaceInfo*& info) {
  if (index != 0 || interfaceName_.empty()) return DISP_E_BADINDEX;
  if (!info_) {
    HRESULT hr;
    auto endpoint = Usable(hr);
    if (!endpoint) return hr;
    info_ = endpoint->InterfaceFor(remoteId_, interfaceName_);
    if (!info_) return E_FAIL;
  }
  info = info_;
  return S_OK;
}

HRESULT BridgeProxy::GetIDsOfNames(std::span<const WideString> names, DISPID* ids) {
  return OnOwner([&] { return RemoteIDsOfNames(names, ids); });
}

HRESULT BridgeProxy::RemoteIDsOfNames(std::span<const WideString> names, DISPID* ids) {
  if (names.empty()) return E_INVALIDARG;
  const InterfaceInfo* info = nullptr;
  if (!interfaceName_.empty() && Succeeded(GetTypeInfo(0, info))) return info->GetIDsOfNames(names, ids);
  HRESULT hr;
  auto endpoint = Usable(hr);
  if (!endpoint) return hr;
  GetIDsOfNamesMsg::Request request{remoteId_, {names.begin(), names.end()}};
  GetIDsOfNamesMsg::Reply reply;
  if (HRESULT sent = endpoint->Call<GetIDsOfNamesMsg>(request, reply); Failed(sent)) return sent;
  for (size_t i = 0; i < names.size(); ++i) ids[i] = i < reply.ids.size() ? reply.ids[i] : DISPID_UNKNOWN;
  return reply.hr;
}

HRESULT BridgeProxy::GetDispID(const WideString& name, uint32_t flags, DISPID& id) {
  id = DISPID_UNKNOWN;
  return OnOwner([&] { return RemoteDispID(name, flags, id); });
}

HRESULT BridgeProxy::RemoteDispID(const WideString& name, uint32_t flags, DISPID& id) {
  prefetched_.reset();
  const InterfaceInfo* info = nullptr;
  if (!interfaceName_.empty() && Succeeded(GetTypeInfo(0, info))) {
    // Interface members win over expando members, as on the object itself.
    if (const MemberInfo* m = info->FindByName(name)) {
      id = m->id;
      return S_OK;
    }
  }
  HRESULT hr;
  auto endpoint = Usable(hr);
  if (!endpoint) return hr;
  GetDispIDMsg::Request request{remoteId_, name, flags, !(flags & fdexNameEnsure)};
  GetDispIDMsg::Reply reply;
  if (HRESULT sent = endpoint->Call<GetDispIDMsg>(request, reply); Failed(sent)) return sent;
  id = reply.id;
  if (Succeeded(reply.hr) && reply.fetched) {
    prefetched_ = Prefetched{reply.id, std::move(reply.value), endpoint->Traffic()};
  }
  return reply.hr;
}

HRESULT BridgeProxy::GetMemberNames(std::vector<WideString>& names) {
  names.clear();
  return OnOwner([&] {
    HRESULT hr;
    auto endpoint = Usable(hr);
    if (!endpoint) return hr;
    MemberNamesMsg::Reply reply;
    if (HRESULT sent = endpoint->Call<MemberNamesMsg>({remoteId_}, reply); Failed(sent)) return sent;
    names = std::move(reply.names);
    return static_cast<HRESULT>(reply.hr);
  });
}

HRESULT BridgeProxy::Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep) {
  return OnOwner([&] {
    prefetched_.reset();
    return Send(id, flags, false, params, result, excep);
  });
}

HRESULT BridgeProxy::InvokeEx(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep,
                              IDispatch*) {
  return OnOwner([&] { return InvokeExHere(id, flags, params, result, excep); });
}

HRESULT BridgeProxy::InvokeExHere(DISPID id, uint16_t flags, DispParams& params, Variant* result, ExcepInfo* excep) {
  if (prefetched_) {
    Prefetched fetched = std::move(*prefetched_);
    prefetched_.reset();
    const bool plainGet = flags == DISPATCH_PROPERTYGET && params.args.empty() &&
                          (params.named.empty() || (params.named.size() == 1 && params.named[0].id == DISPID_THIS));
    auto endpoint = endpoint_.lock();
    const bool current = endpoint && endpoint->Traffic() == fetched.traffic;
    if (plainGet && current && fetched.id == id && result) {
      *result = std::move(fetched.value);
      return S_OK;
    }
  }
  return Send(id, flags, true, params, result, excep);
}

HRESULT BridgeProxy::Send(DISPID id, uint16_t flags, bool viaEx, DispParams& params, Variant* result,
                          ExcepInfo* excep) {
  HRESULT hr;
  auto endpoint = Usable(hr);
  if (!endpoint) return Unavailable(hr, excep);
  InvokeMsg::Request request;
  request.object = remoteId_;
  request.id = id;
  request.flags = flags;
  request.viaEx = viaEx;
  request.wantResult = result != nullptr;
  // Lent byte arrays are written out before the call returns: they are passed on, not copied.
  request.args.reserve(params.args.size());
  for (const Variant& arg : params.args) request.args.push_back(Variant::Share(arg));
  for (const NamedArg& n : params.named) request.named.push_back({n.id, Variant::Share(n.value)});
  InvokeMsg::Reply reply;
  if (HRESULT sent = endpoint->Call<InvokeMsg>(request, reply); Failed(sent)) {
    return sent == RPC_E_DISCONNECTED ? Unavailable(sent, excep) : sent;
  }
  if (result) *result = std::move(reply.result);
  if (excep && reply.hr == DISP_E_EXCEPTION) {
    excep->description = std::move(reply.excep.description);
    excep->source = std::move(reply.excep.source);
    excep->scode = reply.excep.scode;
    excep->helpContext = reply.excep.helpContext;
  }
  return reply.hr;
}

}  // namespace ulka::bridge
