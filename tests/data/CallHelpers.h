// Calls through an object's dispatch interface, as a script makes them, for the data tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "automation/Dispatch.h"
#include "automation/Unicode.h"

namespace ulka::test {

struct CallResult {
  HRESULT hr = S_OK;
  Variant value;
  std::string message;  // the failure's text
};

// `flags` as the script engine passes them; a put takes its value as the last argument.
inline CallResult Call(IDispatch* object, std::u16string_view name, uint16_t flags,
                       std::vector<Variant> args = {}) {
  CallResult out;
  DISPID id;
  out.hr = GetDispatchId(object, name, id);
  if (Failed(out.hr)) return out;
  DispParams params{args, {}};
  NamedArg put{DISPID_PROPERTYPUT, {}};
  if (flags & DISPATCH_PROPERTYPUT) {
    put.value = args.back();
    params.args = std::span<Variant>(args).first(args.size() - 1);
    params.named = std::span<NamedArg>(&put, 1);
  }
  ExcepInfo excep;
  out.hr = object->Invoke(id, flags, params, &out.value, &excep);
  out.message = Utf8(excep.description);
  return out;
}

inline Variant Get(IDispatch* object, std::u16string_view name, std::vector<Variant> args = {}) {
  CallResult r = Call(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args));
  EXPECT_EQ(r.hr, S_OK) << Utf8(name) << ": " << r.message;
  return r.value;
}

inline void Put(IDispatch* object, std::u16string_view name, std::vector<Variant> args) {
  CallResult r = Call(object, name, DISPATCH_PROPERTYPUT, std::move(args));
  EXPECT_EQ(r.hr, S_OK) << Utf8(name) << ": " << r.message;
}

inline std::string Text(const Variant& v) { return v.IsText() ? Utf8(v.Text()) : "<not text>"; }
inline Variant W(const char* utf8) { return Variant(Wide(utf8)); }

}  // namespace ulka::test
