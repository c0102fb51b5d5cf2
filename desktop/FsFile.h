// The file-system object's file: what TFsItem shares, its size, and copying, moving, deleting
// and opening it as a text stream.
#pragma once

#include "desktop/FsItem.h"

namespace ulka {

class TFsFile : public TFsItem {
 public:
  static const InterfaceInfo& Info();
  explicit TFsFile(const WideString& path) : TFsItem(Info(), path, false) {}

  Variant GetSize();
  void Copy(const WideString& Destination, bool OverWriteFiles);
  void Move(const WideString& Destination);
  void Delete(bool Force);
  Ref<IDispatch> OpenAsTextStream(int32_t IOMode, int32_t Format);
};

}  // namespace ulka
