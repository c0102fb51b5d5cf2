// The bridge's byte layout: every value kind crosses unchanged, and malformed input is refused
// with a protocol error instead of being trusted.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <future>
#include <thread>

#include "web/bridge/FrameSocket.h"
#include "web/bridge/WireFormat.h"

namespace ulka::bridge {
namespace {

Bytes Encode(const Variant& v, ObjectCodec* codec = nullptr) {
  Writer w(codec);
  w.Put(v);
  return w.Buffer();
}

Variant Decode(const Bytes& bytes, ObjectCodec* codec = nullptr) {
  Reader r(bytes.data(), bytes.size(), codec);
  Variant v;
  r.Get(v);
  r.ExpectEnd();
  return v;
}

Variant IntArray(std::vector<int32_t> values, std::vector<ArrayBound> bounds) {
  auto a = std::make_shared<SafeArray>();
  a->elementType = VT_I4;
  a->bounds = std::move(bounds);
  a->data.resize(values.size() * 4);
  std::memcpy(a->data.data(), values.data(), a->data.size());
  return Variant::FromArray(a);
}

Variant VariantArray(std::vector<Variant> items) {
  auto a = std::make_shared<SafeArray>();
  a->elementType = VT_VARIANT;
  a->bounds = {{static_cast<uint32_t>(items.size()), 1}};
  a->items = std::move(items);
  return Variant::FromArray(a);
}

bool SameValue(const Variant& a, const Variant& b) {
  if (a.RawType() != b.RawType()) return false;
  if (a.IsArray()) {
    const SafeArray& x = *a.Array();
    const SafeArray& y = *b.Array();
    if (x.bounds.size() != y.bounds.size() || x.data != y.data || x.items.size() != y.items.size()) return false;
    for (size_t i = 0; i < x.bounds.size(); ++i) {
      if (x.bounds[i].count != y.bounds[i].count || x.bounds[i].lower != y.bounds[i].lower) return false;
    }
    for (size_t i = 0; i < x.items.size(); ++i) {
      if (!SameValue(x.items[i], y.items[i])) return false;
    }
    return true;
  }
  switch (a.Type()) {
    case VT_EMPTY: case VT_NULL: return true;
    case VT_R4: return a.Float() == b.Float();
    case VT_R8: case VT_DATE: return a.Double() == b.Double();
    case VT_BSTR: return a.Text() == b.Text();
    case VT_DISPATCH: return a.Dispatch() == b.Dispatch();
    case VT_BOOL: return a.Bool() == b.Bool();
    default: return a.Int() == b.Int();
  }
}

TEST(WireFormat, EveryValueKindCrossesUnchanged) {
  const Variant cases[] = {
      Variant(), Variant::Null(), Variant::I1(-7), Variant(int16_t{-300}), Variant(int32_t{-2147483647 - 1}),
      Variant(int64_t{-(int64_t{1} << 62)}), Variant(uint8_t{255}), Variant(uint16_t{65535}),
      Variant(uint32_t{4294967295u}), Variant(uint64_t{~uint64_t{0}}), Variant(1.5f), Variant(-0.1),
      Variant(Currency{-123456789}), Variant(Date{45000.25}), Variant(WideString(u"a\0b\U0001F600", 4)),
      Variant(WideString()), Variant(true), Variant(false), Variant::Missing(), Variant::Error(E_FAIL),
      Variant::FromBytes({0, 1, 255}), Variant::FromBytes({}), IntArray({1, 2, 3, 4, 5, 6}, {{2, 0}, {3, 1}}),
      VariantArray({Variant(int32_t{1}), Variant::FromBytes({9}), VariantArray({Variant(u"deep")})}),
      Variant(static_cast<IDispatch*>(nullptr))};
  for (const Variant& v : cases) {
    Variant back = Decode(Encode(v));
    EXPECT_TRUE(SameValue(v, back)) << "type " << v.RawType();
  }
}

TEST(WireFormat, ByReferenceValuesTravelAsTheirTarget) {
  Variant target(int32_t{77});
  Variant back = Decode(Encode(Variant::ByRef(&target)));
  EXPECT_EQ(back.RawType(), VT_I4);
  EXPECT_EQ(back.Int(), 77);
}

TEST(WireFormat, EveryTruncationIsRefused) {
  const Bytes whole = Encode(VariantArray({Variant(u"text"), IntArray({1, 2}, {{2, 0}}), Variant(2.5)}));
  for (size_t size = 0; size < whole.size(); ++size) {
    Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_THROW(Decode(part), ProtocolError) << "size " << size;
  }
}

Bytes Raw(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

TEST(WireFormat, MalformedValuesAreRefused) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  Bytes nested;
  for (int i = 0; i < 40; ++i) {  // arrays of arrays, deeper than any real value
    // type, one dimension of one element from 0, no packed data, one item
    Bytes level = {0x0C, 0x20, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    nested.insert(nested.end(), level.begin(), level.end());
  }
  nested.insert(nested.end(), {0, 0});  // the innermost item: Empty
  const Case cases[] = {
      {"unknown type", Raw({0x0D, 0})},
      {"by-reference type", Raw({0x03, 0x40, 0, 0, 0, 0, 0, 0, 0, 0})},
      {"array of empties", Raw({0x00, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      {"text longer than the message", Raw({0x08, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0})},
      {"bytes not matching the bounds", Raw({0x11, 0x20, 1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1, 2, 0, 0, 0, 0})},
      {"element count beyond the message", Raw({0x11, 0x20, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF,
                                                0xFF, 0xFF, 0, 0, 0, 0})},
      {"bad object owner", Raw({0x09, 0, 7})},
      {"trailing bytes", Raw({0x00, 0, 1})},
      {"arrays nested too deeply", nested},
  };
  for (const Case& c : cases) EXPECT_THROW(Decode(c.bytes), ProtocolError) << c.what;
}

// Large byte arrays and texts leave the body: the writer points at their memory, and the reader
// takes the received block over as the array's buffer.
TEST(WireFormat, LargeValuesTravelAsBlocksWithoutCopies) {
  Bytes big(kOutOfLineBytes + 3);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  const Bytes lender = big;
  const WideString text(kOutOfLineBytes, u'\u00E9');
  const Variant owned = Variant::FromBytes(big);
  const Variant values[] = {owned, Variant::LendBytes(lender), Variant(text),
                            VariantArray({Variant::FromBytes({1, 2}), owned, Variant(u"short")})};
  for (const Variant& v : values) {
    Writer w;
    w.Put(v);
    ASSERT_EQ(w.Blocks().size(), 1u);
    EXPECT_LT(w.Buffer().size(), 256u);
    std::vector<Bytes> blocks;
    for (std::span<const uint8_t> block : w.Blocks()) blocks.emplace_back(block.begin(), block.end());
    const uint8_t* received = blocks[0].data();
    Reader r(w.Buffer().data(), w.Buffer().size(), nullptr, &blocks);
    Variant back;
    r.Get(back);
    r.ExpectEnd();
    if (v.IsText()) {
      EXPECT_EQ(back.Text(), text);
      continue;
    }
    const Variant& bytes = v.Array()->items.empty() ? back : back.Array()->items[1];
    EXPECT_TRUE(std::ranges::equal(bytes.ByteSpan(), big));
    EXPECT_EQ(bytes.ByteSpan().data(), received);
  }
  Writer w;
  w.Put(owned);
  EXPECT_EQ(w.Blocks()[0].data(), owned.ByteSpan().data());
  Writer lent;
  lent.Put(Variant::LendBytes(lender));
  EXPECT_EQ(lent.Blocks()[0].data(), lender.data());
}

TEST(WireFormat, MissingOrMismatchedBlocksAreRefused) {
  Writer w;
  w.Put(Variant::FromBytes(Bytes(kOutOfLineBytes, 1)));
  const Bytes& body = w.Buffer();
  std::vector<std::vector<Bytes>> cases = {{}, {Bytes(kOutOfLineBytes - 1, 1)},
                                           {Bytes(kOutOfLineBytes, 1), Bytes(kOutOfLineBytes, 2)}};
  for (std::vector<Bytes>& blocks : cases) {
    Reader r(body.data(), body.size(), nullptr, &blocks);
    Variant back;
    EXPECT_THROW((r.Get(back), r.ExpectEnd()), ProtocolError) << blocks.size() << " blocks";
  }
  Reader noBlocks(body.data(), body.size());
  Variant back;
  EXPECT_THROW(noBlocks.Get(back), ProtocolError);
}

TEST(WireFormat, ValuesWithoutALayoutAreRefusedBeforeSending) {
  auto odd = std::make_shared<SafeArray>();
  odd->elementType = VT_EMPTY;
  odd->bounds = {{1, 0}};
  EXPECT_THROW(Encode(Variant::FromArray(odd)), UnsupportedValue);
}

// A script can nest arrays as deep as it likes; the sender refuses what the receiver would, at
// once and without walking the whole chain.
TEST(WireFormat, ArraysNestedTooDeeplyAreRefusedBeforeSending) {
  auto nestedArray = [](int depth) {
    Variant value(int32_t{7});
    for (int i = 0; i < depth; ++i) {
      auto array = std::make_shared<SafeArray>();
      array->elementType = VT_VARIANT;
      array->bounds = {{1, 0}};
      array->items = {value};
      value = Variant::FromArray(array);
    }
    return value;
  };
  EXPECT_NO_THROW(Decode(Encode(nestedArray(30))));
  EXPECT_THROW(Encode(nestedArray(33)), UnsupportedValue);
  EXPECT_THROW(Encode(nestedArray(100000)), UnsupportedValue);
}

class RecordingCodec : public ObjectCodec {
 public:
  WireObject Export(IDispatch* object) override {
    exported.push_back(object);
    return {WireObject::Owner::Sender, 41, true, true, u"IThing"};
  }
  Ref<IDispatch> Import(const WireObject& object) override {
    imported.push_back(object);
    return nullptr;
  }
  std::vector<IDispatch*> exported;
  std::vector<WireObject> imported;
};

TEST(WireFormat, ObjectsGoThroughTheCodec) {
  class Dummy : public IDispatch {
   public:
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT GetIDsOfNames(std::span<const WideString>, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, uint16_t, DispParams&, Variant*, ExcepInfo*) override { return E_NOTIMPL; }
  } dummy;
  RecordingCodec codec;
  Bytes bytes = Encode(VariantArray({Variant(&dummy)}), &codec);
  ASSERT_EQ(codec.exported.size(), 1u);
  EXPECT_EQ(codec.exported[0], &dummy);
  Decode(bytes, &codec);
  ASSERT_EQ(codec.imported.size(), 1u);
  EXPECT_EQ(codec.imported[0].owner, WireObject::Owner::Sender);
  EXPECT_EQ(codec.imported[0].id, 41u);
  EXPECT_TRUE(codec.imported[0].hasEx);
  EXPECT_TRUE(codec.imported[0].callable);
  EXPECT_EQ(codec.imported[0].interfaceName, u"IThing");
}

struct SocketPair {
  int a = -1, b = -1;
  SocketPair() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
      a = fds[0];
      b = fds[1];
    }
  }
};

TEST(FrameSocket, FramesArriveWholeAndInOrder) {
  SocketPair pair;
  FrameSocket sender(pair.a), receiver(pair.b);
  ASSERT_TRUE(sender.Send(FrameKind::Request, Message::Invoke, 7, Bytes{1, 2, 3}));
  ASSERT_TRUE(sender.Send(FrameKind::OneWay, Message::Release, 0, Bytes{}));
  ASSERT_TRUE(receiver.WaitAndRead(5000));
  auto first = receiver.PopFrame();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->kind, FrameKind::Request);
  EXPECT_EQ(first->message, Message::Invoke);
  EXPECT_EQ(first->callId, 7u);
  EXPECT_EQ(first->body, (Bytes{1, 2, 3}));
  auto second = receiver.PopFrame();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->message, Message::Release);
  EXPECT_FALSE(receiver.PopFrame());
}

// Blocks arrive whole and in order whatever pieces the stream brings them in: behind a frame
// that is still buffered, after a pause in the middle, and straight into their buffers.
TEST(FrameSocket, BlocksArriveWholeWhateverPiecesTheyComeIn) {
  SocketPair pair;
  FrameSocket receiver(pair.b);
  const Bytes first(3 << 20, 0xA1);
  Bytes second(kOutOfLineBytes + 5);
  for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<uint8_t>(i);
  const std::span<const uint8_t> blocks[] = {first, second};
  FrameSocket sender(pair.a);
  std::thread writer([&] {
    sender.Send(FrameKind::OneWay, Message::Release, 0, Bytes{9});
    sender.Send(FrameKind::Request, Message::Invoke, 5, Bytes{1, 2}, blocks);
    sender.Send(FrameKind::Reply, Message::Invoke, 6, Bytes{3});
  });
  std::vector<Frame> frames;
  while (frames.size() < 3) {
    if (std::optional<Frame> frame = receiver.PopFrame()) {
      frames.push_back(std::move(*frame));
      continue;
    }
    if (!receiver.WaitAndRead(5000)) break;
  }
  writer.join();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].body, Bytes{9});
  EXPECT_TRUE(frames[0].blocks.empty());
  EXPECT_EQ(frames[1].callId, 5u);
  EXPECT_EQ(frames[1].body, (Bytes{1, 2}));
  ASSERT_EQ(frames[1].blocks.size(), 2u);
  EXPECT_EQ(frames[1].blocks[0], first);
  EXPECT_EQ(frames[1].blocks[1], second);
  EXPECT_EQ(frames[2].callId, 6u);
}

TEST(FrameSocket, AFrameTrickledInByteRunsIsAssembled) {
  SocketPair pair;
  FrameSocket receiver(pair.b);
  Bytes block(200000);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13);
  const std::span<const uint8_t> blocks[] = {block};
  // The whole frame as the sender writes it, captured from a socket pair of its own.
  SocketPair capture;
  {
    FrameSocket sender(capture.a);
    ASSERT_TRUE(sender.Send(FrameKind::Request, Message::Invoke, 9, Bytes{4, 5, 6}, blocks));
  }
  Bytes wire;
  uint8_t buffer[65536];
  for (ssize_t n; (n = read(capture.b, buffer, sizeof buffer)) > 0;) wire.insert(wire.end(), buffer, buffer + n);
  close(capture.b);
  std::optional<Frame> frame;
  for (size_t at = 0, step = 1; at < wire.size(); at += step, step = step * 3 % 70001 + 1) {
    const size_t n = std::min(step, wire.size() - at);
    ASSERT_EQ(write(pair.a, wire.data() + at, n), static_cast<ssize_t>(n));
    ASSERT_TRUE(receiver.WaitAndRead(5000));
    ASSERT_FALSE(frame);
    frame = receiver.PopFrame();
  }
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->body, (Bytes{4, 5, 6}));
  ASSERT_EQ(frame->blocks.size(), 1u);
  EXPECT_EQ(frame->blocks[0], block);
  close(pair.a);
}

TEST(FrameSocket, BadHeadersAreRefused) {
  const Bytes headers[] = {
      {0xFF, 0xFF, 0xFF, 0xFF, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // body beyond the limit
      {0, 0, 0, 0, 9, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},              // unknown frame kind
      {0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},  // too many blocks
      // One block larger than all blocks of a frame may be together.
      {0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40},
  };
  for (const Bytes& header : headers) {
    SocketPair pair;
    FrameSocket receiver(pair.b);
    ASSERT_EQ(write(pair.a, header.data(), header.size()), static_cast<ssize_t>(header.size()));
    ASSERT_TRUE(receiver.WaitAndRead(5000));
    EXPECT_THROW(receiver.PopFrame(), ProtocolError);
    close(pair.a);
  }
}

TEST(FrameSocket, APeerThatGoesAwayIsNoticed) {
  SocketPair pair;
  FrameSocket receiver(pair.b);
  close(pair.a);
  EXPECT_FALSE(receiver.WaitAndRead(5000));
  EXPECT_FALSE(receiver.IsOpen());
  EXPECT_FALSE(receiver.Send(FrameKind::Request, Message::Invoke, 1, Bytes{}));
}

TEST(FrameSocket, ASendToAPeerThatTakesNothingGivesUp) {
  SocketPair pair;
  FrameSocket sender(pair.a);
  sender.SetStallTimeout(200);
  const Bytes big(8 << 20, 1);
  EXPECT_FALSE(sender.Send(FrameKind::Request, Message::Invoke, 1, big));
  EXPECT_FALSE(sender.IsOpen());
  close(pair.b);
}

TEST(FrameSocket, TwoSidesSendingLargeFramesAtOnceDoNotBlockEachOther) {
  SocketPair pair;
  FrameSocket left(pair.a), right(pair.b);
  const Bytes big(8 << 20, 0x5A);  // far beyond the kernel's socket buffers
  // Each side sends its frame, then reads until the other's has arrived, as endpoints do.
  auto exchange = [&big](FrameSocket* side, uint64_t id) -> size_t {
    if (!side->Send(FrameKind::Request, Message::Invoke, id, big)) return 0;
    std::optional<Frame> frame;
    while (!(frame = side->PopFrame())) {
      if (!side->WaitAndRead(5000)) return 0;
    }
    return frame->body.size();
  };
  auto leftDone = std::async(std::launch::async, exchange, &left, 1);
  auto rightDone = std::async(std::launch::async, exchange, &right, 2);
  ASSERT_EQ(leftDone.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  ASSERT_EQ(rightDone.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(leftDone.get(), big.size());
  EXPECT_EQ(rightDone.get(), big.size());
}

}  // namespace
}  // namespace ulka::bridge
