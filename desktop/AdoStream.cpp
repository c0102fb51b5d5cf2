#include "desktop/AdoStream.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "automation/ByteConvert.h"
#include "automation/CodePages.h"
#include "automation/Files.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "desktop/DesktopErrors.h"

namespace ulka {
namespace {

constexpr int32_t kBinary = 1;
constexpr int32_t kText = 2;
constexpr int32_t kReadAll = -1;
constexpr int32_t kReadLine = -2;

// The code page of a character-set name; 0 for one that is not known.
uint32_t CodePageOfCharset(const WideString& charset) {
  const WideString lower = LowerCase(charset);
  if (lower == u"unicode" || lower == u"utf-16le") return 1200;
  if (lower == u"ascii") return 20127;
  const uint32_t codePage = CodePageByName(charset);
  return codePage && IsCodePageSupported(codePage) ? codePage : 0;
}

Bytes ByteOrderMark(uint32_t codePage) {
  if (codePage == 1200) return {0xFF, 0xFE};
  if (codePage == CP_UTF8) return {0xEF, 0xBB, 0xBF};
  return {};
}

// The length of the valid UTF-8 sequence at the start of `bytes`, 0 when it is not one (it then
// decodes as one replacement character of one byte).
size_t ValidSequenceLength(std::span<const uint8_t> bytes) {
  const uint8_t lead = bytes[0];
  const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || length > bytes.size()) return 0;
  uint32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (size_t k = 1; k < length; ++k) {
    if ((bytes[k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (bytes[k] & 0x3F);
  }
  if (length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) return 0;
  if (length == 4 && (c < 0x10000 || c > 0x10FFFF)) return 0;
  return length;
}

// How many bytes the first `units` UTF-16 units decoded from `bytes` came from.
size_t Utf8BytesFor(std::span<const uint8_t> bytes, size_t units) {
  size_t at = 0;
  for (size_t n = 0; n < units && at < bytes.size();) {
    const size_t length = ValidSequenceLength(bytes.subspan(at));
    at += length ? length : 1;
    n += length == 4 ? 2 : 1;
  }
  return at;
}

}  // namespace

const InterfaceInfo& TAdoStream::Info() {
  using S = TAdoStream;
  static const InterfaceInfo info =
      InterfaceBuilder<S>("IAdoStream", "{482416CE-AD17-4B15-90E8-73C8A505DC53}")
          .Property(1, "Type", &S::GetType, &S::SetType)
          .Property(2, "Charset", &S::GetCharset, &S::SetCharset)
          .Property(3, "LineSeparator", &S::GetLineSeparator, &S::SetLineSeparator)
          .Getter(4, "State", &S::GetState)
          .Method(5, "Open", &S::Open,
                  {Opt("Source"), Opt("Mode", int32_t{0}), Opt("Options", int32_t{-1}), Opt("UserName", u""), Opt("Password", u"")})
          .Method(6, "Close", &S::Close)
          .Method(7, "Write", &S::Write, {Arg("Buffer")})
          .Method(8, "WriteText", &S::WriteText, {Arg("Data"), Opt("Options", int32_t{0})})
          .Method(9, "Read", &S::Read, {Opt("NumBytes", int32_t{kReadAll})})
          .Method(10, "ReadText", &S::ReadText, {Opt("NumChars", int32_t{kReadAll})})
          .Property(11, "Position", &S::GetPosition, &S::SetPosition)
          .Getter(12, "Size", &S::GetSize)
          .Getter(13, "EOS", &S::GetEOS)
          .Method(14, "SetEOS", &S::SetEOS)
          .Method(15, "SaveToFile", &S::SaveToFile, {Arg("FileName"), Opt("Options", int32_t{1})})
          .Method(16, "LoadFromFile", &S::LoadFromFile, {Arg("FileName")})
          .Build();
  return info;
}

void TAdoStream::CheckOpen() const {
  if (!FOpen) FailStream(StreamError::Closed);
}

void TAdoStream::CheckType(int32_t type) const {
  CheckOpen();
  if (FType != type) FailStream(StreamError::Context);
}

void TAdoStream::SetType(int32_t Value) {
  if (Value != kBinary && Value != kText) FailStream(StreamError::Arguments);
  if (FOpen && FPosition != 0) FailStream(StreamError::Context);
  FType = Value;
}

void TAdoStream::SetCharset(const WideString& Value) {
  const uint32_t codePage = CodePageOfCharset(Value);
  if (!codePage) FailStream(StreamError::Arguments);
  if (FOpen && FPosition != 0) FailStream(StreamError::Context);
  FCharset = Value;
  FCodePage = codePage;
}

void TAdoStream::SetLineSeparator(int32_t Value) {
  if (Value != -1 && Value != 10 && Value != 13) FailStream(StreamError::Arguments);
  FLineSeparator = Value;
}

void TAdoStream::Open(const Variant& Source, int32_t Mode, int32_t Options, const WideString& UserName,
                      const WideString& Password) {
  if (FOpen) FailStream(StreamError::Open);
  if (!Source.IsMissing() && !Source.IsEmpty() && !(Source.IsText() && Source.Text().empty()))
    FailStream(StreamError::Arguments);  // only streams in memory
  FOpen = true;
  FData.clear();
  FPosition = 0;
}

void TAdoStream::Close() {
  CheckOpen();
  FOpen = false;
  FData.clear();
  FPosition = 0;
}

void TAdoStream::WriteBytes(std::span<const uint8_t> bytes) {
  WriteBytesAt(FData, FPosition, bytes.data(), bytes.size());
  FPosition += bytes.size();
}

void TAdoStream::Write(const Variant& Buffer) {
  CheckType(kBinary);
  if (!Buffer.IsArray() && !Buffer.IsEmpty() && !Buffer.IsNull()) FailStream(StreamError::Arguments);
  WriteBytes(VarToBytes(Buffer));
}

WideString TAdoStream::SeparatorText() const {
  return FLineSeparator == 10 ? u"\n" : FLineSeparator == 13 ? u"\r" : u"\r\n";
}

void TAdoStream::WriteText(const WideString& Data, int32_t Options) {
  CheckType(kText);
  if (FData.empty() && FPosition == 0) WriteBytes(ByteOrderMark(FCodePage));
  const WideString text = Options == 1 ? Data + SeparatorText() : Data;
  if (FCodePage == 1200) {
    Bytes bytes;
    for (char16_t c : text) {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    WriteBytes(bytes);
  } else if (FCodePage == CP_UTF8) {
    const std::string narrow = Utf8(text);
    WriteBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size()));
  } else {
    WriteBytes(EncodeText(text, FCodePage));
  }
}

Variant TAdoStream::Read(int32_t NumBytes) {
  CheckType(kBinary);
  if (NumBytes < kReadAll) FailStream(StreamError::Arguments);
  const size_t left = FData.size() - std::min(FPosition, FData.size());
  const size_t count = NumBytes == kReadAll ? left : std::min<size_t>(left, static_cast<size_t>(NumBytes));
  if (count == 0) return Variant::Null();
  Bytes bytes(FData.begin() + static_cast<ptrdiff_t>(FPosition), FData.begin() + static_cast<ptrdiff_t>(FPosition + count));
  FPosition += count;
  return BytesToVar(std::move(bytes));
}

WideString TAdoStream::DecodeRest(size_t& start) const {
  start = std::min(FPosition, FData.size());
  const Bytes mark = ByteOrderMark(FCodePage);
  if (start == 0 && !mark.empty() && FData.size() >= mark.size() && std::equal(mark.begin(), mark.end(), FData.begin()))
    start = mark.size();
  std::span<const uint8_t> rest(FData.data() + start, FData.size() - start);
  if (FCodePage == 1200) {
    WideString text;
    for (size_t i = 0; i + 1 < rest.size(); i += 2) text.push_back(static_cast<char16_t>(rest[i] | (rest[i + 1] << 8)));
    return text;
  }
  if (FCodePage == CP_UTF8) return Wide(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
  return DecodeText(rest, FCodePage);
}

size_t TAdoStream::EncodedLength(std::u16string_view text) const {
  if (FCodePage == 1200) return text.size() * 2;
  if (FCodePage == CP_UTF8) {
    const size_t start = std::min(FPosition, FData.size());
    return Utf8BytesFor(std::span<const uint8_t>(FData.data() + start, FData.size() - start), text.size());
  }
  return EncodeText(text, FCodePage).size();
}

WideString TAdoStream::ReadText(int32_t NumChars) {
  CheckType(kText);
  if (NumChars < kReadLine) FailStream(StreamError::Arguments);
  size_t start = 0;
  const WideString rest = DecodeRest(start);
  FPosition = start;
  size_t take = rest.size();
  size_t skip = 0;
  if (NumChars == kReadLine) {
    const WideString separator = SeparatorText();
    const size_t end = rest.find(separator);
    if (end != WideString::npos) {
      take = end;
      skip = separator.size();
    }
  } else if (NumChars >= 0) {
    take = std::min<size_t>(take, static_cast<size_t>(NumChars));
  }
  const WideString text = rest.substr(0, take);
  FPosition += EncodedLength(rest.substr(0, take + skip));
  FPosition = std::min(FPosition, FData.size());
  return text;
}

int32_t TAdoStream::GetPosition() {
  CheckOpen();
  return static_cast<int32_t>(FPosition);
}

void TAdoStream::SetPosition(int32_t Value) {
  CheckOpen();
  if (Value < 0 || static_cast<size_t>(Value) > FData.size()) FailStream(StreamError::Arguments);
  FPosition = static_cast<size_t>(Value);
}

int32_t TAdoStream::GetSize() {
  CheckOpen();
  return static_cast<int32_t>(FData.size());
}

bool TAdoStream::GetEOS() {
  CheckOpen();
  return FPosition >= FData.size();
}

void TAdoStream::SetEOS() {
  CheckOpen();
  FData.resize(std::min(FPosition, FData.size()));
}

void TAdoStream::SaveToFile(const WideString& FileName, int32_t Options) {
  CheckOpen();
  if (Options != 1 && Options != 2) FailStream(StreamError::Arguments);
  std::error_code error;
  const bool exists = !FileName.empty() && FileName.find(u'\0') == WideString::npos &&
                      std::filesystem::exists(std::filesystem::symlink_status(Utf8(FileName), error));
  if (exists && Options == 1) FailStream(StreamError::WriteFile);
  if (FileName.empty() || FileName.find(u'\0') != WideString::npos || !WriteFileBytes(FileName, FData))
    FailStream(StreamError::WriteFile);
}

void TAdoStream::LoadFromFile(const WideString& FileName) {
  CheckOpen();
  Bytes bytes;
  bool read = false;
  try {
    read = !FileName.empty() && FileName.find(u'\0') == WideString::npos && ReadFileBytes(FileName, bytes);
  } catch (const EVekError&) {
  }
  if (!read) FailStream(StreamError::OpenFile);
  FData = std::move(bytes);
  FPosition = 0;
}

}  // namespace ulka
