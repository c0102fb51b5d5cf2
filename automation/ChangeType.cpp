// Coercion of Variants between types, as the automation invocation coerces arguments.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "automation/Dates.h"
#include "automation/Dispatch.h"
#include "automation/Unicode.h"
#include "automation/Variant.h"

namespace ulka {

namespace {

bool IsIntegerType(VarType t) {
  switch (t) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
      return true;
    default:
      return false;
  }
}

bool IsUnsigned(VarType t) { return t == VT_UI1 || t == VT_UI2 || t == VT_UI4 || t == VT_UI8; }

WideString DateText(double date) {
  DateFields f = DecodeDate(Date{date});
  char text[64];
  if (f.hour == 0 && f.minute == 0 && f.second == 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", f.year, f.month, f.day);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
  }
  return Wide(text);
}

bool ParseDateText(const std::string& text, double& date) {
  DateFields f;
  char separator = 0;
  int n = std::sscanf(text.c_str(), "%d-%d-%d%c%d:%d:%d", &f.year, &f.month, &f.day, &separator, &f.hour,
                      &f.minute, &f.second);
  if (n < 3) return false;
  std::optional<Date> encoded = TryEncodeDate(f);
  if (!encoded) return false;
  date = encoded->value;
  return true;
}

WideString NumberText(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return Wide(std::string_view(text, static_cast<size_t>(end - text)));
}

std::string Trimmed(const WideString& text) {
  std::string s = Utf8(text);
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool ParseNumber(const WideString& text, double& value) {
  std::string s = Trimmed(text);
  if (s.empty()) return false;
  if (s.size() > 2 && (s[0] == '&') && (s[1] == 'H' || s[1] == 'h')) {
    uint64_t v;
    auto [p, ec] = std::from_chars(s.data() + 2, s.data() + s.size(), v, 16);
    if (ec != std::errc() || p != s.data() + s.size()) return false;
    value = static_cast<double>(v);
    return true;
  }
  const char* begin = s.data();
  if (*begin == '+') ++begin;
  auto [p, ec] = std::from_chars(begin, s.data() + s.size(), value);
  return ec == std::errc() && p == s.data() + s.size();
}

// Rounds half to even, as the automation conversion does.
double BankersRound(double v) {
  double r = std::nearbyint(v);  // default rounding mode is to nearest, ties to even
  return r;
}

HRESULT ToDouble(const Variant& v, double& out) {
  VarType t = v.Type();
  switch (t) {
    case VT_EMPTY: out = 0; return S_OK;
    case VT_BOOL: out = v.Bool() ? -1 : 0; return S_OK;
    case VT_R4: out = v.Float(); return S_OK;
    case VT_R8: case VT_DATE: out = v.Double(); return S_OK;
    case VT_CY: out = static_cast<double>(v.Int()) / 10000.0; return S_OK;
    case VT_BSTR: return ParseNumber(v.Text(), out) ? S_OK : DISP_E_TYPEMISMATCH;
    default:
      if (IsIntegerType(t)) {
        out = IsUnsigned(t) ? static_cast<double>(v.UInt()) : static_cast<double>(v.Int());
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToInteger(const Variant& v, VarType target, Variant& result) {
  int64_t lo, hi;
  switch (target) {
    case VT_I1: lo = INT8_MIN; hi = INT8_MAX; break;
    case VT_I2: lo = INT16_MIN; hi = INT16_MAX; break;
    case VT_I4: lo = INT32_MIN; hi = INT32_MAX; break;
    case VT_UI1: lo = 0; hi = UINT8_MAX; break;
    case VT_UI2: lo = 0; hi = UINT16_MAX; break;
    case VT_UI4: lo = 0; hi = UINT32_MAX; break;
    case VT_I8: lo = INT64_MIN; hi = INT64_MAX; break;
    default: lo = 0; hi = INT64_MAX; break;  // VT_UI8 beyond INT64_MAX is rare enough
  }
  int64_t n;
  VarType t = v.Type();
  if (IsIntegerType(t) && !IsUnsigned(t)) {
    n = v.Int();
  } else if (IsIntegerType(t) && v.UInt() <= static_cast<uint64_t>(INT64_MAX)) {
    n = static_cast<int64_t>(v.UInt());
  } else {
    double d;
    HRESULT hr = ToDouble(v, d);
    if (Failed(hr)) return hr;
    d = BankersRound(d);
    if (!(d >= -9.2233720368547758e18 && d < 9.2233720368547758e18)) return DISP_E_OVERFLOW;
    n = static_cast<int64_t>(d);
  }
  if (n < lo || n > hi) return DISP_E_OVERFLOW;
  switch (target) {
    case VT_I1: result = Variant::I1(static_cast<int8_t>(n)); break;
    case VT_I2: result = Variant(static_cast<int16_t>(n)); break;
    case VT_I4: result = Variant(static_cast<int32_t>(n)); break;
    case VT_UI1: result = Variant(static_cast<uint8_t>(n)); break;
    case VT_UI2: result = Variant(static_cast<uint16_t>(n)); break;
    case VT_UI4: result = Variant(static_cast<uint32_t>(n)); break;
    case VT_I8: result = Variant(static_cast<int64_t>(n)); break;
    default: result = Variant(static_cast<uint64_t>(n)); break;
  }
  return S_OK;
}

HRESULT ToText(const Variant& v, Variant& result) {
  VarType t = v.Type();
  switch (t) {
    case VT_EMPTY: result = Variant(WideString()); return S_OK;
    case VT_BSTR: result = v; return S_OK;
    case VT_BOOL: result = Variant(WideString(v.Bool() ? u"True" : u"False")); return S_OK;
    case VT_DATE: result = Variant(DateText(v.Double())); return S_OK;
    case VT_R4: result = Variant(NumberText(v.Float())); return S_OK;
    case VT_R8: result = Variant(NumberText(v.Double())); return S_OK;
    case VT_CY: result = Variant(NumberText(static_cast<double>(v.Int()) / 10000.0)); return S_OK;
    default:
      if (IsIntegerType(t)) {
        result = Variant(Wide(IsUnsigned(t) ? std::to_string(v.UInt()) : std::to_string(v.Int())));
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToBool(const Variant& v, Variant& result) {
  if (v.Type() == VT_BSTR) {
    std::string s = Trimmed(v.Text());
    if (SameText(Wide(s), u"true")) { result = Variant(true); return S_OK; }
    if (SameText(Wide(s), u"false")) { result = Variant(false); return S_OK; }
  }
  if (v.Type() == VT_BOOL) { result = v; return S_OK; }
  double d;
  HRESULT hr = ToDouble(v, d);
  if (Failed(hr)) return hr;
  result = Variant(d != 0);
  return S_OK;
}

}  // namespace

HRESULT ChangeType(const Variant& sourceRef, VarType target, Variant& result) {
  const Variant& source = sourceRef.Deref();
  VarType t = source.Type();
  if (target == VT_VARIANT || target == t) {
    result = source;
    return S_OK;
  }
  if (t == VT_DISPATCH && target != VT_DISPATCH) {
    if (!source.Dispatch()) return DISP_E_TYPEMISMATCH;
    Variant value;
    DispParams none;
    HRESULT hr = source.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &value, nullptr);
    if (Failed(hr) || value.IsObject()) return DISP_E_TYPEMISMATCH;
    return ChangeType(value, target, result);
  }
  if (target == VT_DISPATCH) {
    if (t == VT_EMPTY || t == VT_NULL) {
      result = Variant(static_cast<IDispatch*>(nullptr));
      return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
  }
  if (t == VT_NULL) return target == VT_NULL ? S_OK : DISP_E_TYPEMISMATCH;
  if ((t & VT_ARRAY) || t == VT_ERROR) return DISP_E_TYPEMISMATCH;

  switch (target) {
    case VT_EMPTY: result = Variant(); return S_OK;
    case VT_NULL: result = Variant::Null(); return S_OK;
    case VT_BSTR: return ToText(source, result);
    case VT_BOOL: return ToBool(source, result);
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_CY: {
      double d;
      if (t == VT_BSTR && target == VT_DATE && ParseDateText(Trimmed(source.Text()), d)) {
        result = Variant(Date{d});
        return S_OK;
      }
      HRESULT hr = ToDouble(source, d);
      if (Failed(hr)) return hr;
      if (target == VT_R4) result = Variant(static_cast<float>(d));
      else if (target == VT_R8) result = Variant(d);
      else if (target == VT_DATE) result = Variant(Date{d});
      else result = Variant(Currency{static_cast<int64_t>(std::llround(d * 10000.0))});
      return S_OK;
    }
    default:
      if (IsIntegerType(target)) return ToInteger(source, target, result);
      return DISP_E_BADVARTYPE;
  }
}

}  // namespace ulka
