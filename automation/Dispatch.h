// The dispatch interface: late-bound member calls by name and dispatch id.
#pragma once

#include <atomic>
#include <span>
#include <vector>
#include <thread>
#include <utility>

#include "automation/Variant.h"

namespace ulka {

class InterfaceInfo;
class IDispatchEx;

struct NamedArg {
  DISPID id = DISPID_UNKNOWN;
  Variant value;
};

// The arguments of one call. Positional arguments are in call order (first argument first);
// named arguments carry the put value (DISPID_PROPERTYPUT) and the `this` object (DISPID_THIS).
// Byte arrays among them may be lent (Variant::LendBytes): copy an argument to keep it.
struct DispParams {
  std::span<Variant> args;
  std::span<NamedArg> named;

  const Variant* Named(DISPID id) const;
};

// What a failed call reports to its caller (the exception a script sees).
struct ExcepInfo {
  WideString description;
  WideString source;
  HRESULT scode = S_OK;
  uint32_t helpContext = 0;
};

class IUnknown {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDispatch : public IUnknown {
 public:
  virtual uint32_t GetTypeInfoCount() { return 0; }
  // Index 0 gives the object's interface description; other indexes answer DISP_E_BADINDEX.
  virtual HRESULT GetTypeInfo(uint32_t index, const InterfaceInfo*& info) {
    info = nullptr;
    return DISP_E_BADINDEX;
  }
  // names[0] is the member; further names are parameter names. Names match in any letter case.
  virtual HRESULT GetIDsOfNames(std::span<const WideString> names, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                         ExcepInfo* excep) = 0;
  // The expando interface, when the object has one (stands in for QueryInterface).
  virtual IDispatchEx* DispatchEx() { return nullptr; }
  // Whether calling the object itself does something, so scripts see a function: an object whose
  // interface has a default member (dispatch id 0), or a function of another script engine.
  virtual bool IsCallable();
  // The thread every call of the object must run on (windows and pages: the main thread; a script
  // engine: its own); none when any thread may call it.
  virtual std::thread::id OwnerThread() { return {}; }
};

// The expando interface, reached through IDispatch::DispatchEx(). It shares the object's
// reference count.
class IDispatchEx {
 public:
  virtual HRESULT GetDispID(const WideString& name, uint32_t flags, DISPID& id) = 0;
  virtual HRESULT InvokeEx(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                           ExcepInfo* excep, IDispatch* caller) = 0;
  virtual HRESULT DeleteMemberByName(const WideString&, uint32_t) { return E_NOTIMPL; }
  virtual HRESULT DeleteMemberByDispID(DISPID) { return E_NOTIMPL; }
  virtual HRESULT GetMemberName(DISPID, WideString& name) {
    name.clear();
    return E_NOTIMPL;
  }
  virtual HRESULT GetNextDispID(uint32_t, DISPID, DISPID&) { return E_NOTIMPL; }
  // The names of the object's own members, each once, in the order they were first added: what a
  // script that lists an object's keys sees. Objects that keep their members private answer
  // E_NOTIMPL.
  virtual HRESULT GetMemberNames(std::vector<WideString>& names) {
    names.clear();
    return E_NOTIMPL;
  }

 protected:
  virtual ~IDispatchEx() = default;
};

// An intrusive counted reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  Ref(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) : Ref(o.get()) {}
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() {
    if (p_) p_->Release();
  }

  // Takes over a reference the caller already owns.
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  T* Detach() { return std::exchange(p_, nullptr); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

// Makes a new object; the returned reference is the first one.
template <class T, class... A>
Ref<T> MakeRef(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

// Reference counting shared by every object implemented here.
class RefCounted {
 public:
  uint32_t AddRefCount() { return ++refs_; }
  // Takes a reference unless the last one has gone already (the object is being destroyed).
  bool TryAddRefCount() {
    uint32_t current = refs_.load();
    while (current != 0) {
      if (refs_.compare_exchange_weak(current, current + 1)) return true;
    }
    return false;
  }
  uint32_t ReleaseCount() { return --refs_; }
  uint32_t RefCount() const { return refs_; }

 private:
  std::atomic<uint32_t> refs_{0};
};

// Convenience calls through IDispatch: by name, with positional arguments in call order.
HRESULT GetDispatchId(IDispatch* object, std::u16string_view name, DISPID& id);
HRESULT InvokeByName(IDispatch* object, std::u16string_view name, uint16_t flags,
                     std::span<Variant> args, Variant* result);

}  // namespace ulka
