// The byte layout of bridge messages: little-endian fixed-size integers, UTF-16 text with a
// length, Variants with their type code. Objects inside Variants go through an ObjectCodec, which
// turns them into references to one side's object table.
#pragma once

#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "automation/Dispatch.h"

namespace ulka::bridge {

// A malformed or truncated message: the connection that sent it is closed.
class ProtocolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value the bridge has no layout for: the call that carries it fails, the connection stays.
class UnsupportedValue : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How an object crosses: either an entry of the receiver's own table (an object it exported
// before, coming back) or an entry of the sender's table.
struct WireObject {
  enum class Owner : uint8_t { None = 0, Receiver = 1, Sender = 2 };
  Owner owner = Owner::None;
  uint64_t id = 0;
  bool hasEx = false;        // the object answers the expando interface
  bool callable = false;     // calling the object itself does something
  WideString interfaceName;  // non-empty when the object has an interface description
};

class ObjectCodec {
 public:
  virtual WireObject Export(IDispatch* object) = 0;
  virtual Ref<IDispatch> Import(const WireObject& object) = 0;

 protected:
  ~ObjectCodec() = default;
};

// Byte arrays and texts of this many bytes or more travel as blocks after the message's body:
// written from their owner's memory and read into a buffer of their own, never copied on the way.
constexpr size_t kOutOfLineBytes = 64 * 1024;

class Writer {
 public:
  explicit Writer(ObjectCodec* codec = nullptr) : codec_(codec) {}

  Bytes& Buffer() { return out_; }
  const Bytes& Buffer() const { return out_; }
  // The blocks the body refers to, in order. They point into the values written: those must stay
  // alive and unchanged until the frame has been sent.
  const std::vector<std::span<const uint8_t>>& Blocks() const { return blocks_; }

  void Put(uint8_t v) { out_.push_back(v); }
  void Put(bool v) { out_.push_back(v ? 1 : 0); }
  void Put(uint16_t v) { PutRaw(v); }
  void Put(uint32_t v) { PutRaw(v); }
  void Put(int32_t v) { PutRaw(v); }
  void Put(uint64_t v) { PutRaw(v); }
  void Put(int64_t v) { PutRaw(v); }
  void Put(double v) { PutRaw(v); }
  void Put(const WideString& s);
  void Put(const Bytes& b);
  void Put(const Variant& v);
  void Put(const WireObject& o);
  template <class T>
  void Put(const std::vector<T>& items) {
    Put(static_cast<uint32_t>(items.size()));
    for (const T& item : items) Put(item);
  }
  // A message shape: its fields in declaration order.
  template <class T>
    requires requires(T& t) { t.Fields(); }
  void Put(const T& message) {
    std::apply([this](const auto&... field) { (Put(field), ...); }, const_cast<T&>(message).Fields());
  }

 private:
  template <class T>
  void PutRaw(T v) {
    size_t at = out_.size();
    out_.resize(at + sizeof v);
    std::memcpy(out_.data() + at, &v, sizeof v);
  }
  void PutArray(const SafeArray& a);
  void PutBlock(std::span<const uint8_t> bytes);  // inline when short, else after the body
  void PutText(const WideString& s);               // likewise

  ObjectCodec* codec_;
  Bytes out_;
  std::vector<std::span<const uint8_t>> blocks_;
  int depth_ = 0;  // nesting of Variant arrays, bounded as the reader bounds it
};

class Reader {
 public:
  // `blocks` are the frame's blocks, taken over as the body names them.
  Reader(const uint8_t* data, size_t size, ObjectCodec* codec = nullptr, std::vector<Bytes>* blocks = nullptr)
      : p_(data), end_(data + size), codec_(codec), blocks_(blocks) {}

  size_t Remaining() const { return static_cast<size_t>(end_ - p_); }
  void ExpectEnd() const {
    if (p_ != end_) throw ProtocolError("trailing bytes in a bridge message");
    if (blocks_ && nextBlock_ != blocks_->size()) throw ProtocolError("unused blocks in a bridge message");
  }

  void Get(uint8_t& v) { GetRaw(v); }
  void Get(bool& v) {
    uint8_t b;
    GetRaw(b);
    v = b != 0;
  }
  void Get(uint16_t& v) { GetRaw(v); }
  void Get(uint32_t& v) { GetRaw(v); }
  void Get(int32_t& v) { GetRaw(v); }
  void Get(uint64_t& v) { GetRaw(v); }
  void Get(int64_t& v) { GetRaw(v); }
  void Get(double& v) { GetRaw(v); }
  void Get(WideString& s);
  void Get(Bytes& b);
  void Get(Variant& v);
  void Get(WireObject& o);
  template <class T>
  void Get(std::vector<T>& items) {
    uint32_t n;
    Get(n);
    // Every element takes at least one byte: a count beyond the rest is a lie.
    if (n > Remaining()) throw ProtocolError("bad element count in a bridge message");
    items.clear();
    items.resize(n);
    for (T& item : items) Get(item);
  }
  template <class T>
    requires requires(T& t) { t.Fields(); }
  void Get(T& message) {
    std::apply([this](auto&... field) { (Get(field), ...); }, message.Fields());
  }

 private:
  template <class T>
  void GetRaw(T& v) {
    if (Remaining() < sizeof v) throw ProtocolError("truncated bridge message");
    std::memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
  }
  void GetArray(VarType elementType, Variant& v);
  void GetBlock(Bytes& b);
  void GetText(WideString& s);
  Bytes TakeBlock(size_t size);
  size_t BlockBytesLeft() const;

  const uint8_t* p_;
  const uint8_t* end_;
  ObjectCodec* codec_;
  std::vector<Bytes>* blocks_;
  size_t nextBlock_ = 0;
  int depth_ = 0;  // nesting of Variant arrays
};

}  // namespace ulka::bridge
