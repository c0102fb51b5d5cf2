#include "data/Bytes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "automation/Messages.h"
#include "automation/ByteConvert.h"
#include "automation/Files.h"

namespace ulka {

namespace {

template <class T>
T FromLittleEndian(const uint8_t* p) {
  using U = std::conditional_t<sizeof(T) == 1, uint8_t,
            std::conditional_t<sizeof(T) == 2, uint16_t,
            std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  U u = 0;
  for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
  return std::bit_cast<T>(u);
}

template <class T>
void ToLittleEndian(T value, uint8_t* p) {
  using U = std::conditional_t<sizeof(T) == 1, uint8_t,
            std::conditional_t<sizeof(T) == 2, uint16_t,
            std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
  U u = std::bit_cast<U>(value);
  for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

// The cursor moves as a 32-bit integer does: past the largest value it wraps.
int32_t Wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

const InterfaceInfo& TBytes::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TBytes>("IBytes", "{0886E14B-F31E-475C-881D-A8277C761E1E}",
                               "Dispatch interface for Bytes Object")
          .Method(201, "Load", &TBytes::Load, {Arg("Source")})
          .Method(202, "Save", &TBytes::Save, {Arg("FileName")})
          .Method(204, "Clear", &TBytes::Clear)
          .Property(205, "Length", &TBytes::GetLength, &TBytes::SetLength)
          .Method(206, "Seek", &TBytes::Seek, {Arg("Offset"), Opt("Origin", int32_t{0})})
          .Method(207, "ReadByte", &TBytes::ReadByte)
          .Method(208, "ReadWord", &TBytes::ReadWord)
          .Method(209, "ReadLong", &TBytes::ReadLong)
          .Method(210, "ReadDouble", &TBytes::ReadDouble)
          .Method(211, "ReadBytes", &TBytes::ReadBytes, {Opt("Count", int32_t{0})}).ReturnsBytes()
          .Method(212, "WriteByte", &TBytes::WriteByte, {Arg("Value")})
          .Method(213, "WriteWord", &TBytes::WriteWord, {Arg("Value")})
          .Method(214, "WriteLong", &TBytes::WriteLong, {Arg("Value")})
          .Method(215, "WriteDouble", &TBytes::WriteDouble, {Arg("Value")})
          .Method(216, "WriteBytes", &TBytes::WriteBytes, {Arg("Value")})
          .Property(217, "Position", &TBytes::GetPosition, &TBytes::SetPosition)
          .Property(0, "Byte", &TBytes::GetByte, &TBytes::SetByte, {Arg("Index")})
          .Method(220, "Bytes", &TBytes::GetBytes, {Opt("Position", int32_t{0}), Opt("Count", int32_t{0})})
          .ReturnsBytes()
          .Getter(218, "EOF", &TBytes::GetEOF)
          .Build();
  return info;
}

bool TBytes::Load(const Variant& Source) {
  if (Source.IsText()) {
    FBytes.clear();
    if (!ReadFileBytes(Source.Text(), FBytes)) return false;
    FPosition = 0;
    return true;
  }
  if (Source.IsArray()) {
    FBytes = VarToBytes(Source);
    FPosition = 0;
    return true;
  }
  return false;
}

bool TBytes::Save(const WideString& FileName) { return WriteFileBytes(FileName, FBytes); }

void TBytes::Clear() {
  FBytes.clear();
  FBytes.shrink_to_fit();
  FPosition = 0;
}

int32_t TBytes::GetLength() { return static_cast<int32_t>(FBytes.size()); }

void TBytes::SetLength(int32_t Value) {
  if (Value < 0) FailCode(DISP_E_OVERFLOW, msg::kRangeCheckError);
  FBytes.resize(static_cast<size_t>(Value), 0);
}

int32_t TBytes::Seek(int32_t Offset, int32_t Origin) {
  switch (Origin) {
    case 0: FPosition = Offset; break;
    case 1: FPosition = Wrap(int64_t{FPosition} + Offset); break;
    case 2: FPosition = Wrap(static_cast<int64_t>(FBytes.size()) + Offset); break;
    default: break;
  }
  return FPosition;
}

void TBytes::ReadAtCursor(void* target, int32_t width) {
  if (FPosition < 0 || int64_t{FPosition} + width > static_cast<int64_t>(FBytes.size()))
    FailIndex(FPosition);
  std::memcpy(target, FBytes.data() + FPosition, static_cast<size_t>(width));
  FPosition += width;
}

uint8_t TBytes::ReadByte() {
  uint8_t raw[1];
  ReadAtCursor(raw, sizeof raw);
  return raw[0];
}

uint16_t TBytes::ReadWord() {
  uint8_t raw[2];
  ReadAtCursor(raw, sizeof raw);
  return FromLittleEndian<uint16_t>(raw);
}

int32_t TBytes::ReadLong() {
  uint8_t raw[4];
  ReadAtCursor(raw, sizeof raw);
  return FromLittleEndian<int32_t>(raw);
}

double TBytes::ReadDouble() {
  uint8_t raw[8];
  ReadAtCursor(raw, sizeof raw);
  return FromLittleEndian<double>(raw);
}

Bytes TBytes::CopyClipped(int64_t start, int64_t count) const {
  if (start < 0) {
    count += start;
    start = 0;
  }
  const int64_t length = static_cast<int64_t>(FBytes.size());
  if (start >= length || count <= 0) return {};
  count = std::min(count, length - start);
  return Bytes(FBytes.begin() + start, FBytes.begin() + start + count);
}

Variant TBytes::ReadBytes(int32_t Count) {
  int64_t count = Count == 0 ? static_cast<int64_t>(FBytes.size()) - FPosition : Count;
  Variant result = BytesToVar(CopyClipped(FPosition, count));
  FPosition = Wrap(FPosition + count);
  return result;
}

void TBytes::WriteAtCursor(const void* source, size_t count) {
  if (count == 0) return;
  const int64_t end = int64_t{FPosition} + static_cast<int64_t>(count);
  if (FPosition < 0 || end > std::numeric_limits<int32_t>::max()) FailIndex(FPosition);
  if (static_cast<size_t>(end) > FBytes.size()) FBytes.resize(static_cast<size_t>(end), 0);
  std::memcpy(FBytes.data() + FPosition, source, count);
  FPosition = static_cast<int32_t>(end);
}

Ref<TBytes> TBytes::WriteByte(uint8_t Value) {
  WriteAtCursor(&Value, 1);
  return Ref<TBytes>(this);
}

Ref<TBytes> TBytes::WriteWord(uint16_t Value) {
  uint8_t raw[2];
  ToLittleEndian(Value, raw);
  WriteAtCursor(raw, sizeof raw);
  return Ref<TBytes>(this);
}

Ref<TBytes> TBytes::WriteLong(int32_t Value) {
  uint8_t raw[4];
  ToLittleEndian(Value, raw);
  WriteAtCursor(raw, sizeof raw);
  return Ref<TBytes>(this);
}

Ref<TBytes> TBytes::WriteDouble(double Value) {
  uint8_t raw[8];
  ToLittleEndian(Value, raw);
  WriteAtCursor(raw, sizeof raw);
  return Ref<TBytes>(this);
}

Ref<TBytes> TBytes::WriteBytes(const Variant& Value) {
  Bytes bytes = VarToBytes(Value);
  WriteAtCursor(bytes.data(), bytes.size());
  return Ref<TBytes>(this);
}

uint8_t TBytes::GetByte(int32_t Index) {
  if (Index < 0 || static_cast<size_t>(Index) >= FBytes.size()) FailIndex(Index);
  return FBytes[static_cast<size_t>(Index)];
}

void TBytes::SetByte(int32_t Index, uint8_t Value) {
  if (Index < 0 || static_cast<size_t>(Index) >= FBytes.size()) FailIndex(Index);
  FBytes[static_cast<size_t>(Index)] = Value;
}

// The range starts at Position and runs for Count bytes, Count 0 meaning the rest of the buffer,
// as ReadBytes reads from the cursor.
Variant TBytes::GetBytes(int32_t Position, int32_t Count) {
  int64_t count = Count == 0 ? static_cast<int64_t>(FBytes.size()) - Position : Count;
  return BytesToVar(CopyClipped(Position, count));
}

bool TBytes::GetEOF() { return int64_t{FPosition} >= static_cast<int64_t>(FBytes.size()); }

}  // namespace ulka
