// Owning handles for GLib and GObject values.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

namespace ulka {

// A counted GObject reference: adopts the reference it is given, unrefs on destruction.
template <class T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  explicit GObjectPtr(T* adopted) : p_(adopted) {}
  GObjectPtr(const GObjectPtr& o) : p_(o.p_) {
    if (p_) g_object_ref(p_);
  }
  GObjectPtr(GObjectPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~GObjectPtr() {
    if (p_) g_object_unref(p_);
  }
  static GObjectPtr Retain(T* p) {
    if (p) g_object_ref(p);
    return GObjectPtr(p);
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GBytesDeleter {
  void operator()(GBytes* b) const { g_bytes_unref(b); }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesDeleter>;

// A signal connection, disconnected when the holder goes.
class SignalConnection {
 public:
  SignalConnection() = default;
  SignalConnection(gpointer instance, const char* signal, GCallback callback, gpointer data)
      : instance_(instance), id_(g_signal_connect(instance, signal, callback, data)) {}
  SignalConnection(const SignalConnection&) = delete;
  SignalConnection& operator=(const SignalConnection&) = delete;
  SignalConnection(SignalConnection&& o) noexcept
      : instance_(std::exchange(o.instance_, nullptr)), id_(std::exchange(o.id_, 0)) {}
  SignalConnection& operator=(SignalConnection&& o) noexcept {
    if (this != &o) {
      Disconnect();
      instance_ = std::exchange(o.instance_, nullptr);
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~SignalConnection() { Disconnect(); }
  void Disconnect() {
    if (instance_ && id_ && g_signal_handler_is_connected(instance_, id_)) g_signal_handler_disconnect(instance_, id_);
    instance_ = nullptr;
    id_ = 0;
  }

 private:
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

}  // namespace ulka
