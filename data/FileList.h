// A list of file entries found by a file-name mask, optionally through subfolders, for scripts
// that walk, select, size, date and hash files.
#pragma once

#include <vector>

#include "automation/VekObject.h"

namespace ulka {

// One file as the search found it; only the hash is read from the disk later, on demand.
class TFileInfo : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TFileInfo(WideString APath, WideString AFileName, int64_t ASize, Date ADate);

  WideString GetName();
  WideString GetPath() { return FPath; }
  WideString GetFullName() { return FPath + FFileName; }
  Variant GetSize() { return Variant(FSize); }
  Date GetDate() { return FDate; }
  Variant GetHash();
  bool GetSelected() { return FSelected; }
  void SetSelected(bool Value) { FSelected = Value; }
  WideString GetExtension();
  WideString GetFileName() { return FFileName; }

 private:
  WideString FPath;
  WideString FFileName;
  int64_t FSize;
  Date FDate;
  bool FSelected = false;
  Bytes FHash;
};

class TFileList : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TFileList() : TVekObject(Info()) {}

  int32_t Add(const WideString& Mask, bool Subfolders);
  void RemoveAt(int32_t Index);
  Ref<TFileInfo> GetItems(int32_t Index);
  int32_t GetLength() { return static_cast<int32_t>(FItems.size()); }
  void RemoveAll() { FItems.clear(); }

 private:
  void CheckIndex(int32_t index) const;

  std::vector<Ref<TFileInfo>> FItems;
};

// Whether a file name matches a mask of "*" (any run) and "?" (any one character), without
// regard to case; "*.*" matches every name.
bool MatchesMask(std::u16string_view name, std::u16string_view mask);

}  // namespace ulka
