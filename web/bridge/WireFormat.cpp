#include "web/bridge/WireFormat.h"

namespace ulka::bridge {

namespace {

constexpr int kMaxArrayDepth = 32;
constexpr size_t kMaxDimensions = 64;

bool IsScalarType(VarType t) {
  switch (t) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_I2: case VT_I4: case VT_I8:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_BOOL: case VT_ERROR:
    case VT_CY: case VT_R4: case VT_R8: case VT_DATE: case VT_BSTR: case VT_DISPATCH:
      return true;
    default:
      return false;
  }
}

// Builds a Variant of an integer-like type code from its 64-bit payload.
Variant MakeInteger(VarType t, int64_t raw) {
  switch (t) {
    case VT_I1: return Variant::I1(static_cast<int8_t>(raw));
    case VT_I2: return Variant(static_cast<int16_t>(raw));
    case VT_I4: return Variant(static_cast<int32_t>(raw));
    case VT_I8: return Variant(raw);
    case VT_UI1: return Variant(static_cast<uint8_t>(raw));
    case VT_UI2: return Variant(static_cast<uint16_t>(raw));
    case VT_UI4: return Variant(static_cast<uint32_t>(raw));
    case VT_UI8: return Variant(static_cast<uint64_t>(raw));
    case VT_BOOL: return Variant(raw != 0);
    case VT_ERROR: return Variant::Error(static_cast<HRESULT>(raw));
    case VT_CY: return Variant(Currency{raw});
    default: return Variant();
  }
}

bool IsArrayElementType(VarType t) {
  return t == VT_VARIANT || (IsScalarType(t) && t != VT_EMPTY && t != VT_NULL);
}

}  // namespace

void Writer::Put(const WideString& s) {
  Put(static_cast<uint32_t>(s.size()));
  size_t at = out_.size();
  out_.resize(at + s.size() * sizeof(char16_t));
  if (!s.empty()) std::memcpy(out_.data() + at, s.data(), s.size() * sizeof(char16_t));
}

void Writer::Put(const Bytes& b) {
  Put(static_cast<uint32_t>(b.size()));
  out_.insert(out_.end(), b.begin(), b.end());
}

void Writer::PutBlock(std::span<const uint8_t> bytes) {
  Put(static_cast<uint32_t>(bytes.size()));
  if (bytes.size() >= kOutOfLineBytes) {
    blocks_.push_back(bytes);
  } else {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }
}

void Writer::PutText(const WideString& s) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
  const size_t size = s.size() * sizeof(char16_t);
  if (size < kOutOfLineBytes) {
    Put(s);
    return;
  }
  Put(static_cast<uint32_t>(s.size()));
  blocks_.emplace_back(bytes, size);
}

void Writer::Put(const WireObject& o) {
  Put(static_cast<uint8_t>(o.owner));
  if (o.owner == WireObject::Owner::None) return;
  Put(o.id);
  if (o.owner == WireObject::Owner::Receiver) return;
  Put(o.hasEx);
  Put(o.callable);
  Put(o.interfaceName);
}

void Writer::Put(const Variant& source) {
  const Variant& v = source.Deref();
  const VarType t = v.Type();
  if (t & VT_ARRAY) {
    if (!v.Array()) {
      Put(static_cast<uint16_t>(VT_EMPTY));
      return;
    }
    if (!IsArrayElementType(v.Array()->elementType)) {
      throw UnsupportedValue("an array of this type cannot cross to the other process");
    }
    Put(static_cast<uint16_t>(VT_ARRAY | v.Array()->elementType));
    PutArray(*v.Array());
    return;
  }
  Put(static_cast<uint16_t>(t));
  switch (t) {
    case VT_EMPTY:
    case VT_NULL:
      return;
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_BOOL: case VT_ERROR: case VT_CY:
      Put(v.Int());
      return;
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
      Put(v.UInt());
      return;
    case VT_R4:
      Put(static_cast<double>(v.Float()));
      return;
    case VT_R8:
    case VT_DATE:
      Put(v.Double());
      return;
    case VT_BSTR:
      PutText(v.Text());
      return;
    case VT_DISPATCH:
      Put(v.Dispatch() && codec_ ? codec_->Export(v.Dispatch()) : WireObject{});
      return;
    default:
      throw UnsupportedValue("a value of this type cannot cross to the other process");
  }
}

void Writer::PutArray(const SafeArray& a) {
  if (depth_ >= kMaxArrayDepth) throw UnsupportedValue("arrays nested too deeply to cross to the other process");
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth_};
  Put(static_cast<uint32_t>(a.bounds.size()));
  for (const ArrayBound& b : a.bounds) {
    Put(b.count);
    Put(b.lower);
  }
  PutBlock(a.Packed());
  Put(static_cast<uint32_t>(a.items.size()));
  for (const Variant& item : a.items) Put(item);
}

void Reader::Get(WideString& s) {
  uint32_t n;
  Get(n);
  if (Remaining() / sizeof(char16_t) < n) throw ProtocolError("truncated text in a bridge message");
  s.resize(n);
  if (n) std::memcpy(s.data(), p_, n * sizeof(char16_t));
  p_ += n * sizeof(char16_t);
}

void Reader::Get(Bytes& b) {
  uint32_t n;
  Get(n);
  if (Remaining() < n) throw ProtocolError("truncated bytes in a bridge message");
  b.assign(p_, p_ + n);
  p_ += n;
}

size_t Reader::BlockBytesLeft() const {
  size_t total = 0;
  for (size_t i = nextBlock_; blocks_ && i < blocks_->size(); ++i) total += (*blocks_)[i].size();
  return total;
}

Bytes Reader::TakeBlock(size_t size) {
  if (!blocks_ || nextBlock_ >= blocks_->size() || (*blocks_)[nextBlock_].size() != size) {
    throw ProtocolError("missing block in a bridge message");
  }
  return std::move((*blocks_)[nextBlock_++]);
}

void Reader::GetBlock(Bytes& b) {
  uint32_t n;
  Get(n);
  if (n < kOutOfLineBytes) {
    if (Remaining() < n) throw ProtocolError("truncated bytes in a bridge message");
    b.assign(p_, p_ + n);
    p_ += n;
    return;
  }
  b = TakeBlock(n);
}

void Reader::GetText(WideString& s) {
  uint32_t n;
  Get(n);
  const size_t size = size_t{n} * sizeof(char16_t);
  if (size < kOutOfLineBytes) {
    if (Remaining() < size) throw ProtocolError("truncated text in a bridge message");
    s.resize(n);
    if (n) std::memcpy(s.data(), p_, size);
    p_ += size;
    return;
  }
  Bytes block = TakeBlock(size);
  s.resize(n);
  std::memcpy(s.data(), block.data(), size);
}

void Reader::Get(WireObject& o) {
  uint8_t owner;
  Get(owner);
  if (owner > static_cast<uint8_t>(WireObject::Owner::Sender)) throw ProtocolError("bad object reference");
  o = WireObject{};
  o.owner = static_cast<WireObject::Owner>(owner);
  if (o.owner == WireObject::Owner::None) return;
  Get(o.id);
  if (o.owner == WireObject::Owner::Receiver) return;
  Get(o.hasEx);
  Get(o.callable);
  Get(o.interfaceName);
}

void Reader::Get(Variant& v) {
  uint16_t code;
  Get(code);
  const VarType t = static_cast<VarType>(code);
  if (t & VT_ARRAY) {
    const VarType element = static_cast<VarType>(t & ~VT_ARRAY);
    if ((t & VT_BYREF) || !IsArrayElementType(element)) {
      throw ProtocolError("bad array type in a bridge message");
    }
    GetArray(element, v);
    return;
  }
  if (!IsScalarType(t)) throw ProtocolError("bad value type in a bridge message");
  switch (t) {
    case VT_EMPTY:
      v = Variant();
      return;
    case VT_NULL:
      v = Variant::Null();
      return;
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_BOOL: case VT_ERROR: case VT_CY:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: {
      int64_t raw;
      Get(raw);
      v = MakeInteger(t, raw);
      return;
    }
    case VT_R4: {
      double d;
      Get(d);
      v = Variant(static_cast<float>(d));
      return;
    }
    case VT_R8: {
      double d;
      Get(d);
      v = Variant(d);
      return;
    }
    case VT_DATE: {
      double d;
      Get(d);
      v = Variant(Date{d});
      return;
    }
    case VT_BSTR: {
      WideString s;
      GetText(s);
      v = Variant(std::move(s));
      return;
    }
    case VT_DISPATCH: {
      WireObject o;
      Get(o);
      Ref<IDispatch> object = o.owner != WireObject::Owner::None && codec_ ? codec_->Import(o) : nullptr;
      v = Variant(object.get());
      return;
    }
    default:
      throw ProtocolError("bad value type in a bridge message");
  }
}

void Reader::GetArray(VarType elementType, Variant& v) {
  if (++depth_ > kMaxArrayDepth) throw ProtocolError("arrays nested too deeply in a bridge message");
  auto array = std::make_shared<SafeArray>();
  array->elementType = elementType;
  uint32_t dims;
  Get(dims);
  if (dims > kMaxDimensions) throw ProtocolError("too many array dimensions in a bridge message");
  uint64_t count = dims ? 1 : 0;
  for (uint32_t i = 0; i < dims; ++i) {
    ArrayBound b;
    Get(b.count);
    Get(b.lower);
    count *= b.count;
    // Every element takes at least one byte of what follows.
    if (count > Remaining() + BlockBytesLeft()) throw ProtocolError("array too large in a bridge message");
    array->bounds.push_back(b);
  }
  GetBlock(array->data);
  std::vector<Variant> items;
  Get(items);
  array->items = std::move(items);
  const size_t elementSize = SafeArray::ElementSize(elementType);
  const bool consistent = elementSize ? array->data.size() == count * elementSize && array->items.empty()
                                      : array->items.size() == count && array->data.empty();
  if (!consistent) throw ProtocolError("array size does not match its bounds in a bridge message");
  v = Variant::FromArray(std::move(array));
  --depth_;
}

}  // namespace ulka::bridge
