#include "app/Storage.h"

#include <sys/stat.h>

#include "automation/ByteConvert.h"
#include "automation/Files.h"
#include "automation/Unicode.h"

namespace ulka {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// %XX sequences of ASCII characters decoded; others left as they are.
WideString PercentDecoded(const WideString& name) {
  WideString out;
  for (size_t i = 0; i < name.size(); ++i) {
    int hi, lo;
    if (name[i] == u'%' && i + 2 < name.size() && (hi = HexDigit(name[i + 1])) >= 0 &&
        (lo = HexDigit(name[i + 2])) >= 0 && hi < 8) {
      out += static_cast<char16_t>(hi * 16 + lo);
      i += 2;
    } else {
      out += name[i];
    }
  }
  return out;
}

bool LeavesFolder(const WideString& name) {
  if (name.empty()) return false;
  if (name[0] == u'/' || name.find(u'\0') != WideString::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find(u'/', start);
    if (end == WideString::npos) end = name.size();
    if (name.compare(start, end - start, u"..") == 0) return true;
    start = end + 1;
  }
  return false;
}

bool IsFolder(const WideString& path) {
  struct stat st{};
  return ::stat(Utf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

const InterfaceInfo& TStorage::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TStorage>("IStorage", "{1E7B6393-E039-4778-B0F3-103DF4C8C9FE}",
                                 "Dispatch interface for Storage Object")
          .Method(0, "Read", &TStorage::Read, {Arg("Name")}).ReturnsBytes()
          .Method(203, "Write", &TStorage::Write, {Arg("Name"), Arg("Data")})
          .Build();
  return info;
}

TStorage::TStorage(const WideString& APath) : TVekObject(Info()) { SetPath(APath); }

void TStorage::SetPath(const WideString& Value) {
  FPath = Value;
  if (FPath.empty() || FPath.back() != u'/') FPath += u'/';
}

std::optional<WideString> TStorage::FileFor(const WideString& Name) const {
  if (LeavesFolder(Name) || LeavesFolder(PercentDecoded(Name))) return std::nullopt;
  return FPath + Name;
}

Variant TStorage::Read(const WideString& Name) {
  auto file = FileFor(Name);
  if (!file || IsFolder(*file)) return Variant();
  Bytes bytes;
  if (!ReadFileBytes(*file, bytes)) return Variant();
  return BytesToVar(std::move(bytes));
}

void TStorage::Write(const WideString& Name, const Variant& Data) {
  if (!Data.IsArray()) return;
  Bytes bytes = VarToBytes(Data);
  auto file = FileFor(Name);
  if (bytes.empty() || !file) return;
  WriteFileBytes(*file, bytes);
}

}  // namespace ulka
