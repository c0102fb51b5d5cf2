// A URL scheme served by a handler object: every request for "scheme:name" asks the handler's
// default member for the bytes of "name". The views and Rtl.Load both go through it.
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TProtocol : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TProtocol() : TVekObject(Info()) {}
  ~TProtocol() override;

  void Register(const WideString& Name, IDispatch* Handler);
  void Unregister();
  Variant Read(const WideString& Name);
  WideString GetNameSpace() { return FNameSpace; }

 private:
  // Answers the bytes of a request, or nothing when the handler gives no byte array.
  std::optional<Bytes> Serve(const WideString& name);

  WideString FNameSpace;
  Ref<IDispatch> FHandler;
  bool registered_ = false;
};

}  // namespace ulka
