#include "automation/VekObject.h"

#include "automation/ThreadQueue.h"

namespace ulka {

namespace {

std::atomic<size_t> liveObjects{0};

// Objects released to zero while a deletion runs on this thread, oldest first. Plain pointers
// only, so the queue needs no destructor and works until the thread's very end.
struct DestroyQueue {
  TVekObject* first = nullptr;
  TVekObject* last = nullptr;
  bool draining = false;
};
thread_local DestroyQueue destroyQueue;

}  // namespace

TVekObject::TVekObject(const InterfaceInfo& info) : info_(info) { ++liveObjects; }

TVekObject::~TVekObject() { --liveObjects; }

size_t TVekObject::LiveCount() { return liveObjects; }

uint32_t TVekObject::AddRef() { return AddRefCount(); }

uint32_t TVekObject::Release() {
  uint32_t left = ReleaseCount();
  if (left != 0) return left;
  // An object that belongs to another thread is destroyed there.
  const std::thread::id home = OwnerThread();
  const bool here = home == std::thread::id() || home == std::this_thread::get_id();
  if (here || !PostToThread(home, [this] { Destroy(this); })) Destroy(this);
  return 0;
}

std::thread::id TVekObject::OwnerThread() { return info_.MainThreadOnly() ? MainThreadId() : std::thread::id(); }

void TVekObject::Destroy(TVekObject* object) {
  DestroyQueue& queue = destroyQueue;
  if (queue.draining) {
    (queue.last ? queue.last->nextToDestroy_ : queue.first) = object;
    queue.last = object;
    return;
  }
  queue.draining = true;
  delete object;
  while (TVekObject* next = queue.first) {
    queue.first = next->nextToDestroy_;
    if (!queue.first) queue.last = nullptr;
    delete next;
  }
  queue.draining = false;
}

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
