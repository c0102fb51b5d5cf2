// RAII for JavaScriptCore handles and text conversions at the engine boundary.
#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <string_view>
#include <utility>

#include "automation/Types.h"

namespace ulka {

class JsString {
 public:
  explicit JsString(std::u16string_view text)
      : s_(JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(text.data()), text.size())) {}
  explicit JsString(const char* utf8) : s_(JSStringCreateWithUTF8CString(utf8)) {}
  static JsString Adopt(JSStringRef s) { return JsString(s); }
  JsString(const JsString&) = delete;
  JsString& operator=(const JsString&) = delete;
  JsString(JsString&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  ~JsString() {
    if (s_) JSStringRelease(s_);
  }
  JSStringRef get() const { return s_; }
  operator JSStringRef() const { return s_; }

 private:
  explicit JsString(JSStringRef s) : s_(s) {}
  JSStringRef s_;
};

inline WideString ToWide(JSStringRef s) {
  if (!s) return {};
  return WideString(reinterpret_cast<const char16_t*>(JSStringGetCharactersPtr(s)), JSStringGetLength(s));
}

inline std::u16string_view ViewOf(JSStringRef s) {
  return {reinterpret_cast<const char16_t*>(JSStringGetCharactersPtr(s)), JSStringGetLength(s)};
}

// The value's text as JavaScript's String() gives it; empty on failure.
WideString JsValueText(JSContextRef ctx, JSValueRef value);

// A value kept alive against the collector for as long as the handle lives.
class JsProtected {
 public:
  JsProtected() = default;
  JsProtected(JSContextRef ctx, JSValueRef value) : ctx_(JSContextGetGlobalContext(ctx)), value_(value) {
    if (value_) {
      JSGlobalContextRetain(ctx_);
      JSValueProtect(ctx_, value_);
    }
  }
  JsProtected(const JsProtected&) = delete;
  JsProtected& operator=(const JsProtected&) = delete;
  ~JsProtected() { Reset(); }
  void Reset() {
    if (value_) {
      JSValueUnprotect(ctx_, value_);
      JSGlobalContextRelease(ctx_);
      value_ = nullptr;
    }
    ctx_ = nullptr;
  }
  JSValueRef get() const { return value_; }
  JSGlobalContextRef context() const { return ctx_; }

 private:
  JSGlobalContextRef ctx_ = nullptr;
  JSValueRef value_ = nullptr;
};

}  // namespace ulka
