// The file-system object's folder: what TFsItem shares, its total size, its files and subfolders
// (as collections), and copying, moving, deleting and making text files in it.
#pragma once

#include "desktop/FsItem.h"

namespace ulka {

class TFsFolder : public TFsItem {
 public:
  static const InterfaceInfo& Info();
  explicit TFsFolder(const WideString& path) : TFsItem(Info(), path, true) {}

  // The sizes of every file below, symbolic links not followed, unreadable parts skipped.
  Variant GetSize();
  bool GetIsRootFolder() { return FPath == u"/"; }
  Ref<IDispatch> GetFiles();
  Ref<IDispatch> GetSubFolders();
  void Copy(const WideString& Destination, bool OverWriteFiles);
  void Move(const WideString& Destination);
  void Delete(bool Force);
  Ref<IDispatch> CreateTextFile(const WideString& FileName, bool Overwrite, bool Unicode);
};

}  // namespace ulka
