#include "automation/VekObject.h"

#include "automation/ThreadQueue.h"

namespace ulka {

namespace {
std::atomic<size_t> liveObjects{0};
}

TVekObject::TVekObject(const InterfaceInfo& info) : info_(info) { ++liveObjects; }

TVekObject::~TVekObject() { --liveObjects; }

size_t TVekObject::LiveCount() { return liveObjects; }

uint32_t TVekObject::AddRef() { return AddRefCount(); }

uint32_t TVekObject::Release() {
  uint32_t left = ReleaseCount();
  if (left != 0) return left;
  const std::thread::id home = OwnerThread();
  const bool here = home == std::thread::id() || home == std::this_thread::get_id();
  if (here || !PostToThread(home, [this] { delete this; })) delete this;
  return 0;
}

std::thread::id TVekObject::OwnerThread() { return info_.MainThreadOnly() ? MainThreadId() : std::thread::id(); }

HRESULT TVekObject::GetTypeInfo(uint32_t index, const InterfaceInfo*& info) {
  if (index != 0) {
    info = nullptr;
    return DISP_E_BADINDEX;
  }
  info = &info_;
  return S_OK;
}

HRESULT TVekObject::GetIDsOfNames(std::span<const WideString> names, DISPID* ids) {
  return info_.GetIDsOfNames(names, ids);
}

HRESULT TVekObject::Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                           ExcepInfo* excep) {
  // A property assignment reaches whichever put accessor the table has.
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    flags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  }
  return info_.Invoke(*this, id, flags, params, result, excep);
}

}  // namespace ulka
