// The automation value that crosses every member boundary.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

class IDispatch;

enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// A date: days since 30 December 1899, the fraction being the time of day (local time).
struct Date {
  double value = 0;
  friend bool operator==(Date, Date) = default;
};

// Currency: a 64-bit integer scaled by 10000.
struct Currency {
  int64_t scaled = 0;
  friend bool operator==(Currency, Currency) = default;
};

struct ArrayBound {
  uint32_t count = 0;
  int32_t lower = 0;
};

class Variant;

// The payload of an array Variant. Elements of a plain type (numbers, bytes, booleans, dates) live
// packed in `data`, as the platform lays them out; text, object and Variant elements live in `items`.
// A lent byte array (Variant::LendBytes) keeps its bytes in the lender's memory instead: read the
// packed elements through Packed(), which serves both.
struct SafeArray {
  VarType elementType = VT_UI1;
  std::vector<ArrayBound> bounds;  // first dimension first
  Bytes data;
  std::vector<Variant> items;
  const uint8_t* lent = nullptr;  // the lender's bytes, as many as the first dimension counts

  size_t ElementCount() const;
  size_t FirstDimensionCount() const { return bounds.empty() ? 0 : bounds[0].count; }
  // The packed elements: the lent bytes, else `data`.
  std::span<const uint8_t> Packed() const {
    return lent ? std::span<const uint8_t>(lent, FirstDimensionCount()) : std::span<const uint8_t>(data);
  }
  static size_t ElementSize(VarType elementType);  // 0 for the types kept in `items`
};

class Variant {
 public:
  Variant() = default;
  Variant(int16_t v) : vt_(VT_I2) { s_.i = v; }
  Variant(int32_t v) : vt_(VT_I4) { s_.i = v; }
  Variant(uint8_t v) : vt_(VT_UI1) { s_.u = v; }
  Variant(uint16_t v) : vt_(VT_UI2) { s_.u = v; }
  Variant(uint32_t v) : vt_(VT_UI4) { s_.u = v; }
  Variant(int64_t v) : vt_(VT_I8) { s_.i = v; }
  Variant(uint64_t v) : vt_(VT_UI8) { s_.u = v; }
  Variant(float v) : vt_(VT_R4) { s_.f = v; }
  Variant(double v) : vt_(VT_R8) { s_.d = v; }
  Variant(bool v) : vt_(VT_BOOL) { s_.i = v ? -1 : 0; }
  Variant(Date v) : vt_(VT_DATE) { s_.d = v.value; }
  Variant(Currency v) : vt_(VT_CY) { s_.i = v.scaled; }
  Variant(WideString v) : vt_(VT_BSTR), str_(std::move(v)) {}
  Variant(const char16_t* v) : vt_(VT_BSTR), str_(v ? v : u"") {}
  Variant(std::u16string_view v) : vt_(VT_BSTR), str_(v) {}
  Variant(IDispatch* v);  // adds a reference; a null pointer is a null object reference
  Variant(const char*) = delete;  // say which encoding: Variant(Wide("..."))

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  static Variant Null();
  static Variant Missing();  // the missing-argument marker: an error value DISP_E_PARAMNOTFOUND
  static Variant Error(HRESULT code);
  static Variant I1(int8_t v);
  static Variant FromBytes(Bytes bytes);  // a byte array, also when empty
  static Variant FromArray(std::shared_ptr<SafeArray> array);

  // Byte arrays lent for one call (a script's Uint8Array read in place): the Variant refers to the
  // lender's bytes, which stay alive and unchanged until the call returns. Copying such a Variant
  // copies the bytes, so whatever a callee keeps owns its bytes; Share passes the loan on without
  // a copy, for argument lists that end with the call. A callee never moves a lent argument away.
  static Variant LendBytes(std::span<const uint8_t> bytes);  // owned bytes when empty
  static Variant Share(const Variant& value);
  bool IsLent() const { return array_ && array_->lent; }
  static Variant ByRef(Variant* target);  // VT_BYREF | VT_VARIANT

  // The type code, with the array flag; a by-reference Variant answers the type of its target.
  VarType Type() const { return static_cast<VarType>(Deref().vt_); }
  VarType RawType() const { return static_cast<VarType>(vt_); }
  const Variant& Deref() const;
  Variant& Deref();

  bool IsEmpty() const { return Type() == VT_EMPTY; }
  bool IsNull() const { return Type() == VT_NULL; }
  bool IsMissing() const;
  bool IsArray() const { return (Type() & VT_ARRAY) != 0; }
  bool IsByteArray() const { return Type() == (VT_UI1 | VT_ARRAY); }
  bool IsObject() const { return Type() == VT_DISPATCH; }
  bool IsText() const { return Type() == VT_BSTR; }
  bool IsNumber() const;  // integer, float or currency types (a date is no number)

  // Direct access to the stored value; the caller has checked the type.
  int64_t Int() const { return Deref().s_.i; }
  uint64_t UInt() const { return Deref().s_.u; }
  double Double() const { return Deref().s_.d; }
  float Float() const { return Deref().s_.f; }
  bool Bool() const { return Deref().s_.i != 0; }
  HRESULT ErrorCode() const { return static_cast<HRESULT>(Deref().s_.i); }
  const WideString& Text() const { return Deref().str_; }
  IDispatch* Dispatch() const { return Deref().s_.disp; }
  const std::shared_ptr<SafeArray>& Array() const { return Deref().array_; }
  Variant* RefTarget() const { return vt_ & VT_BYREF ? s_.ref : nullptr; }

  // The bytes of a byte array (empty for anything else), lent ones included.
  std::span<const uint8_t> ByteSpan() const;

  void Clear() { *this = Variant(); }

 private:
  void Release();
  static void ReleaseArray(std::shared_ptr<SafeArray> array);
  void CopyFrom(const Variant& other);

  uint16_t vt_ = VT_EMPTY;
  union Scalar {
    int64_t i;
    uint64_t u;
    double d;
    float f;
    IDispatch* disp;
    Variant* ref;
  } s_{};
  WideString str_;
  std::shared_ptr<SafeArray> array_;

  friend class VariantAccess;
};

// The lender's end of a loan (Variant::LendBytes). Made before the call and ended after it, once
// the lender's own Variants are gone: a lent array that anything still holds then gets a copy of
// the bytes, so the lender's memory is referenced no longer whatever a callee did.
class ByteLoan {
 public:
  explicit ByteLoan(const Variant& lent) : array_(lent.IsLent() ? lent.Array() : nullptr) {}
  ByteLoan(ByteLoan&&) noexcept = default;
  ByteLoan& operator=(ByteLoan&&) noexcept = default;
  ~ByteLoan();

 private:
  std::shared_ptr<SafeArray> array_;
};

// Conversion of a Variant to another type as the automation invocation coerces arguments:
// text "5" becomes the integer 5, a number becomes its decimal text, an object gives its default
// value first. Answers S_OK, DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW.
HRESULT ChangeType(const Variant& source, VarType target, Variant& result);

}  // namespace ulka
