#include "automation/Variant.h"

#include <algorithm>

#include "automation/Dispatch.h"

namespace ulka {

size_t SafeArray::ElementSize(VarType t) {
  switch (t) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    default:
      return 0;
  }
}

size_t SafeArray::ElementCount() const {
  if (bounds.empty()) return 0;
  size_t n = 1;
  for (const ArrayBound& b : bounds) n *= b.count;
  return n;
}

Variant::Variant(IDispatch* v) : vt_(VT_DISPATCH) {
  s_.disp = v;
  if (v) v->AddRef();
}

Variant::Variant(const Variant& other) { CopyFrom(other); }

Variant::Variant(Variant&& other) noexcept
    : vt_(other.vt_), s_(other.s_), str_(std::move(other.str_)), array_(std::move(other.array_)) {
  other.vt_ = VT_EMPTY;
  other.s_.i = 0;
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    Release();
    vt_ = other.vt_;
    s_ = other.s_;
    str_ = std::move(other.str_);
    array_ = std::move(other.array_);
    other.vt_ = VT_EMPTY;
    other.s_.i = 0;
  }
  return *this;
}

Variant::~Variant() { Release(); }

void Variant::Release() {
  if (vt_ == VT_DISPATCH && s_.disp) s_.disp->Release();
  if (array_) ReleaseArray(std::move(array_));
  vt_ = VT_EMPTY;
  s_.i = 0;
}

namespace {

std::shared_ptr<SafeArray> OwnedCopy(const SafeArray& lent) {
  auto array = std::make_shared<SafeArray>();
  array->elementType = lent.elementType;
  array->bounds = lent.bounds;
  std::span<const uint8_t> bytes = lent.Packed();
  array->data.assign(bytes.begin(), bytes.end());
  return array;
}

}  // namespace

// The last reference to an array of Variants takes its nested arrays apart one level at a time,
// so that arrays nested any depth are freed without recursion.
void Variant::ReleaseArray(std::shared_ptr<SafeArray> array) {
  auto holdsArrays = [](const SafeArray& a) {
    return std::any_of(a.items.begin(), a.items.end(), [](const Variant& item) { return item.array_ != nullptr; });
  };
  if (array.use_count() != 1 || !holdsArrays(*array)) return;  // freed here, one level deep
  std::vector<std::shared_ptr<SafeArray>> pending;
  pending.push_back(std::move(array));
  while (!pending.empty()) {
    std::shared_ptr<SafeArray> next = std::move(pending.back());
    pending.pop_back();
    if (next.use_count() != 1) continue;  // others still hold it
    for (Variant& item : next->items) {
      if (item.array_) pending.push_back(std::move(item.array_));
    }
  }
}

void Variant::CopyFrom(const Variant& other) {
  vt_ = other.vt_;
  s_ = other.s_;
  str_ = other.str_;
  array_ = other.array_;
  if (array_ && array_->lent) array_ = OwnedCopy(*array_);
  if (vt_ == VT_DISPATCH && s_.disp) s_.disp->AddRef();
}

Variant Variant::LendBytes(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return FromBytes({});
  auto array = std::make_shared<SafeArray>();
  array->elementType = VT_UI1;
  array->bounds.push_back({static_cast<uint32_t>(bytes.size()), 0});
  array->lent = bytes.data();
  return FromArray(std::move(array));
}

Variant Variant::Share(const Variant& value) {
  if (!value.IsLent()) return value;
  Variant v;
  v.vt_ = value.vt_;
  v.array_ = value.array_;
  return v;
}

ByteLoan::~ByteLoan() {
  if (!array_ || array_.use_count() == 1) return;
  std::span<const uint8_t> bytes = array_->Packed();
  array_->data.assign(bytes.begin(), bytes.end());
  array_->lent = nullptr;
}

Variant Variant::Null() {
  Variant v;
  v.vt_ = VT_NULL;
  return v;
}

Variant Variant::Error(HRESULT code) {
  Variant v;
  v.vt_ = VT_ERROR;
  v.s_.i = code;
  return v;
}

Variant Variant::Missing() { return Error(DISP_E_PARAMNOTFOUND); }

Variant Variant::I1(int8_t value) {
  Variant v;
  v.vt_ = VT_I1;
  v.s_.i = value;
  return v;
}

Variant Variant::FromBytes(Bytes bytes) {
  auto array = std::make_shared<SafeArray>();
  array->elementType = VT_UI1;
  array->bounds.push_back({static_cast<uint32_t>(bytes.size()), 0});
  array->data = std::move(bytes);
  return FromArray(std::move(array));
}

Variant Variant::FromArray(std::shared_ptr<SafeArray> array) {
  Variant v;
  v.vt_ = static_cast<VarType>(VT_ARRAY | array->elementType);
  v.array_ = std::move(array);
  return v;
}

Variant Variant::ByRef(Variant* target) {
  Variant v;
  v.vt_ = static_cast<VarType>(VT_BYREF | VT_VARIANT);
  v.s_.ref = target;
  return v;
}

const Variant& Variant::Deref() const {
  const Variant* v = this;
  while ((v->vt_ & VT_BYREF) && v->s_.ref) v = v->s_.ref;
  return *v;
}

Variant& Variant::Deref() {
  Variant* v = this;
  while ((v->vt_ & VT_BYREF) && v->s_.ref) v = v->s_.ref;
  return *v;
}

bool Variant::IsMissing() const {
  const Variant& v = Deref();
  return v.vt_ == VT_ERROR && static_cast<HRESULT>(v.s_.i) == DISP_E_PARAMNOTFOUND;
}

bool Variant::IsNumber() const {
  switch (Type()) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
      return true;
    default:
      return false;
  }
}

std::span<const uint8_t> Variant::ByteSpan() const {
  const Variant& v = Deref();
  if (v.vt_ != (VT_UI1 | VT_ARRAY) || !v.array_) return {};
  std::span<const uint8_t> packed = v.array_->Packed();
  return packed.first(std::min(packed.size(), v.array_->FirstDimensionCount()));
}

}  // namespace ulka
