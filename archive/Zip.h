// The scriptable zip object: a whole archive in memory, entries named in the object's code page.
#pragma once

#include <memory>
#include <string>

#include "archive/ZipFile.h"
#include "automation/VekObject.h"

namespace ulka {

class TZip : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TZip();

  bool Load(const Variant& Source);
  Ref<TZip> Save(const WideString& FileName);
  Ref<TZip> Add(const WideString& Name, const Variant& Data);
  Variant Extract(const WideString& Name);
  int32_t IndexOf(const WideString& Name);
  uint16_t GetCodePage() { return FCodePage; }
  void SetCodePage(uint16_t Value) { FCodePage = Value; }
  int32_t GetLength() { return FZipFile->Count(); }
  WideString GetNames(int32_t Index);
  void SetNames(int32_t Index, const WideString& Value);
  Variant GetBytes(int32_t Index);
  void SetBytes(int32_t Index, const Variant& Value);
  Date GetDates(int32_t Index);
  void SetDates(int32_t Index, Date Value);
  Ref<TZip> AddFolder(const WideString& Path, const WideString& Name, bool Subfolders);
  Variant GetZip();
  Ref<TZip> AddFile(const WideString& FileName, const WideString& Name);

  TZipFile& ZipFile() { return *FZipFile; }

 private:
  std::string NameBytes(const WideString& name) const;
  WideString NameText(const std::string& name) const;
  void StoreValue(int index, const Variant& value);
  void AddFolderFiles(const std::string& base, const std::string& relative, const WideString& prefix,
                      bool subfolders);

  uint16_t FCodePage = 0;  // 0: the system ANSI code page
  std::unique_ptr<TZipFile> FZipFile;
};

}  // namespace ulka
