// Our stand-in for the platform's data-access stream ("ADODB.Stream"): bytes in memory, written
// and read as binary data (Type 1) or as text in a character set (Type 2, the default; "Unicode"
// by default), saved to and loaded from files. Writing text to an empty stream in "Unicode" or
// "utf-8" starts it with a byte-order mark, which reading skips, as on the platform.
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TAdoStream : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TAdoStream() : TVekObject(Info()) {}

  int32_t GetType() { return FType; }
  void SetType(int32_t Value);
  WideString GetCharset() { return FCharset; }
  void SetCharset(const WideString& Value);
  int32_t GetLineSeparator() { return FLineSeparator; }
  void SetLineSeparator(int32_t Value);
  int32_t GetState() { return FOpen ? 1 : 0; }
  void Open(const Variant& Source, int32_t Mode, int32_t Options, const WideString& UserName,
            const WideString& Password);
  void Close();
  void Write(const Variant& Buffer);
  // Options 1 ends the text with the line separator.
  void WriteText(const WideString& Data, int32_t Options);
  // -1 reads to the end; nothing left answers Null.
  Variant Read(int32_t NumBytes);
  // -1 reads to the end, -2 one line (without its separator).
  WideString ReadText(int32_t NumChars);
  int32_t GetPosition();
  void SetPosition(int32_t Value);
  int32_t GetSize();
  bool GetEOS();
  void SetEOS();
  // Options 1 fails when the file exists, 2 replaces it.
  void SaveToFile(const WideString& FileName, int32_t Options);
  void LoadFromFile(const WideString& FileName);

 private:
  void CheckOpen() const;
  void CheckType(int32_t type) const;
  void WriteBytes(std::span<const uint8_t> bytes);
  WideString SeparatorText() const;
  // The text from the position on (past a byte-order mark at the start).
  WideString DecodeRest(size_t& start) const;
  size_t EncodedLength(std::u16string_view text) const;

  Bytes FData;
  size_t FPosition = 0;
  bool FOpen = false;
  int32_t FType = 2;
  WideString FCharset = u"Unicode";
  uint32_t FCodePage = 1200;
  int32_t FLineSeparator = -1;
};

}  // namespace ulka
