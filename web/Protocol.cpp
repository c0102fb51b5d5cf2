#include "web/Protocol.h"

#include <optional>

#include "automation/ByteConvert.h"
#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "web/SchemeNames.h"
#include "web/WebContext.h"
#include "web/bridge/PageBridge.h"

namespace ulka {

const InterfaceInfo& TProtocol::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TProtocol>("IProtocol", "{4418BEC5-F2BE-48A2-880E-90F1B1D7FD2D}",
                                  "Dispatch interface for Protocol Object")
          .MainThreadOnly()
          .Method(201, "Register", &TProtocol::Register, {Arg("Name"), Arg("Handler")})
          .Method(202, "Unregister", &TProtocol::Unregister)
          .Method(203, "Read", &TProtocol::Read, {Arg("Name")})
          .Build();
  return info;
}

TProtocol::~TProtocol() { Unregister(); }

void TProtocol::Register(const WideString& Name, IDispatch* Handler) {
  if (!Name.empty()) CheckSchemeName(Utf8(Name));
  Unregister();
  FNameSpace = Name;
  FHandler = Handler;
  if (FNameSpace.empty()) return;
  const std::string scheme = Utf8(LowerCase(FNameSpace));
  AddRegisteredScheme(scheme);
  PageBridge::Instance().TrustScheme(LowerCase(FNameSpace));
  registered_ = true;
  // The engine and the loader call back while this object is registered; Unregister (also run
  // by the destructor) removes both before the object goes.
  ServeScheme(scheme, [this](const std::string& url) { return Serve(HandlerName(url, true)); });
  RegisterUrlLoader(FNameSpace, [this](const WideString& url) { return Serve(HandlerName(Utf8(url), false)); });
}

void TProtocol::Unregister() {
  FHandler = nullptr;
  if (!registered_) return;
  registered_ = false;
  const std::string scheme = Utf8(LowerCase(FNameSpace));
  ServeScheme(scheme, nullptr);
  RegisterUrlLoader(FNameSpace, nullptr);
  RemoveRegisteredScheme(scheme);
  PageBridge::Instance().UntrustScheme(LowerCase(FNameSpace));
}

Variant TProtocol::Read(const WideString& Name) {
  if (!FHandler) return Variant();
  Ref<IDispatch> handler = FHandler;  // the handler may unregister this object while it runs
  auto call = [&](const WideString& name, Variant& result) {
    Variant args[1] = {Variant(name)};
    DispParams params{args, {}};
    ExcepInfo excep;
    return handler->Invoke(DISPID_VALUE, DISPATCH_METHOD, params, &result, &excep);
  };
  Variant result;
  HRESULT hr = call(Name, result);
  const size_t hash = Name.find(u'#');
  if (Failed(hr) && hash != WideString::npos) {
    result.Clear();
    call(Name.substr(0, hash), result);
  }
  return result;
}

namespace {

// The bytes of an answer; a byte array nobody else holds gives up its buffer instead of being
// copied (files of many megabytes pass here).
Bytes TakeBytes(Variant& data) {
  if (std::optional<Bytes> own = TakeOwnBytes(data)) return std::move(*own);
  return VarToBytes(data);
}

}  // namespace

std::optional<Bytes> TProtocol::Serve(const WideString& name) {
  Ref<TProtocol> keep(this);
  Variant data = Read(name);
  if (!data.IsArray()) return std::nullopt;
  return TakeBytes(data);
}

}  // namespace ulka
