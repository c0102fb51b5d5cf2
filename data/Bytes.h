// A growable binary buffer with a cursor, for scripts that build or parse binary data.
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TBytes : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TBytes() : TVekObject(Info()) {}

  bool Load(const Variant& Source);
  bool Save(const WideString& FileName);
  void Clear();
  int32_t GetLength();
  void SetLength(int32_t Value);
  int32_t Seek(int32_t Offset, int32_t Origin);
  uint8_t ReadByte();
  uint16_t ReadWord();
  int32_t ReadLong();
  double ReadDouble();
  Variant ReadBytes(int32_t Count);
  Ref<TBytes> WriteByte(uint8_t Value);
  Ref<TBytes> WriteWord(uint16_t Value);
  Ref<TBytes> WriteLong(int32_t Value);
  Ref<TBytes> WriteDouble(double Value);
  Ref<TBytes> WriteBytes(const Variant& Value);
  int32_t GetPosition() { return FPosition; }
  void SetPosition(int32_t Value) { FPosition = Value; }
  uint8_t GetByte(int32_t Index);
  void SetByte(int32_t Index, uint8_t Value);
  Variant GetBytes(int32_t Position, int32_t Count);
  bool GetEOF();

  const Bytes& Data() const { return FBytes; }

 private:
  // Copies `count` bytes of the buffer at `start`, clipped to the buffer.
  Bytes CopyClipped(int64_t start, int64_t count) const;
  // Copies `width` bytes at the cursor and advances it; fails when they are not all inside.
  void ReadAtCursor(void* target, int32_t width);
  void WriteAtCursor(const void* source, size_t count);

  Bytes FBytes;
  int32_t FPosition = 0;
};

}  // namespace ulka
