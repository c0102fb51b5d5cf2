// The base of every scriptable object: reference counting, dispatch through the object's
// interface table, and the failure report.
//
// Objects hold each other (a dictionary holds its values, an expando object its members), so the
// last release of one object can release a chain of millions. Deletion is therefore never nested:
// an object whose count reaches zero while another is being deleted on the same thread waits in
// that thread's queue, and the outermost release deletes the queue's objects one after another
// before it returns.
//
//   class TZip : public TVekObject {
//    public:
//     static const InterfaceInfo& Info();   // the member table, in Zip.cpp
//     TZip() : TVekObject(Info()) {}
//     ...
//   };
//   Ref<TZip> zip = MakeRef<TZip>();
#pragma once

#include "automation/Dispatch.h"
#include "automation/TypeInfo.h"

namespace ulka {

class TVekObject : public IDispatch, protected RefCounted {
 public:
  explicit TVekObject(const InterfaceInfo& info);
  TVekObject(const TVekObject&) = delete;
  TVekObject& operator=(const TVekObject&) = delete;

  uint32_t AddRef() override;
  uint32_t Release() override;

  uint32_t GetTypeInfoCount() override { return 1; }
  HRESULT GetTypeInfo(uint32_t index, const InterfaceInfo*& info) override;
  HRESULT GetIDsOfNames(std::span<const WideString> names, DISPID* ids) override;
  HRESULT Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                 ExcepInfo* excep) override;

  // Objects of a main-thread interface belong to the main thread; their last reference dropped
  // elsewhere is given back there.
  std::thread::id OwnerThread() override;

  const InterfaceInfo& Interface() const { return info_; }
  // Whether `iid` is the object's own interface (the error-info support check).
  bool InterfaceSupportsErrorInfo(std::u16string_view iid) const { return iid == info_.Iid(); }

  // Live scriptable objects, for leak checks in tests.
  static size_t LiveCount();

 protected:
  ~TVekObject() override;

 private:
  static void Destroy(TVekObject* object);

  const InterfaceInfo& info_;
  TVekObject* nextToDestroy_ = nullptr;  // the thread's queue of objects waiting for deletion
};

// VarToObject: the object of class T behind a Variant, when it holds one of ours.
template <class T>
T* VarToObject(const Variant& value) {
  if (!value.IsObject() || !value.Dispatch()) return nullptr;
  return dynamic_cast<T*>(value.Dispatch());
}

}  // namespace ulka
