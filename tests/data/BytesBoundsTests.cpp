// The cursor may stand anywhere; reads, writes and indexes outside the buffer fail with the list
// index error and never touch memory outside it.
#include <gtest/gtest.h>

#include <functional>

#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "data/Bytes.h"

namespace ulka {
namespace {

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const EVekError& e) {
    return Utf8(e.Message());
  }
  return "no error";
}

TEST(BytesBounds, ReadsThatDoNotFitFailAndKeepTheCursor) {
  Ref<TBytes> b = MakeRef<TBytes>();
  b->WriteWord(0xBEEF);
  b->SetPosition(1);
  EXPECT_EQ(ErrorOf([&] { b->ReadWord(); }), "List index out of bounds (1)");
  EXPECT_EQ(b->GetPosition(), 1);
  EXPECT_EQ(b->ReadByte(), 0xBE);
  EXPECT_EQ(ErrorOf([&] { b->ReadByte(); }), "List index out of bounds (2)");
  b->SetPosition(-1);
  EXPECT_EQ(ErrorOf([&] { b->ReadLong(); }), "List index out of bounds (-1)");
  b->SetPosition(2147483646);
  EXPECT_EQ(ErrorOf([&] { b->ReadDouble(); }), "List index out of bounds (2147483646)");
}

TEST(BytesBounds, WritesAtABadCursorFailAndLeaveTheBuffer) {
  Ref<TBytes> b = MakeRef<TBytes>();
  b->SetPosition(-3);
  EXPECT_EQ(ErrorOf([&] { b->WriteLong(1); }), "List index out of bounds (-3)");
  b->SetPosition(2147483645);
  EXPECT_EQ(ErrorOf([&] { b->WriteLong(1); }), "List index out of bounds (2147483645)");
  EXPECT_EQ(b->GetLength(), 0);
  b->SetPosition(-3);
  b->WriteBytes(Variant(WideString(u"text")));  // no bytes: nothing to write, no error
  EXPECT_EQ(b->GetPosition(), -3);
}

TEST(BytesBounds, ByteIndexOutsideTheBufferFails) {
  Ref<TBytes> b = MakeRef<TBytes>();
  b->SetLength(2);
  EXPECT_EQ(ErrorOf([&] { b->GetByte(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf([&] { b->SetByte(-1, 1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf([&] { b->SetLength(-1); }), "Range check error");
  EXPECT_EQ(b->GetLength(), 2);
}

TEST(BytesBounds, RangesAreClippedToTheBuffer) {
  Ref<TBytes> b = MakeRef<TBytes>();
  b->Load(Variant::FromBytes({1, 2, 3, 4}));
  b->SetPosition(-2);
  EXPECT_TRUE(b->ReadBytes(2).IsEmpty());  // wholly before the start
  EXPECT_EQ(b->GetPosition(), 0);
  b->SetPosition(-2);
  Variant head = b->ReadBytes(4);  // two bytes before the start, then 1 and 2
  EXPECT_EQ(Bytes(head.ByteSpan().begin(), head.ByteSpan().end()), (Bytes{1, 2}));
  EXPECT_EQ(b->GetPosition(), 2);
  b->SetPosition(2147483647);
  EXPECT_TRUE(b->ReadBytes(10).IsEmpty());
  EXPECT_EQ(b->GetPosition(), -2147483639);  // the cursor wraps like a 32-bit integer
  Variant middle = b->GetBytes(1, 2);
  EXPECT_EQ(Bytes(middle.ByteSpan().begin(), middle.ByteSpan().end()), (Bytes{2, 3}));
  Variant tail = b->GetBytes(3, 0);
  EXPECT_EQ(Bytes(tail.ByteSpan().begin(), tail.ByteSpan().end()), (Bytes{4}));
  EXPECT_TRUE(b->GetBytes(-10, 5).IsEmpty());
  EXPECT_TRUE(b->GetBytes(9, 0).IsEmpty());
}

}  // namespace
}  // namespace ulka
