// What the file-system object's file and folder objects share: a path, checked against the disk
// on every use (a file or folder removed meanwhile fails with "File not found" or "Path not
// found"), its name, parent, size, type, dates and attributes.
#pragma once

#include "automation/Dates.h"
#include "automation/VekObject.h"

namespace ulka {

// The attribute bits scripts test; only ReadOnly can be changed.
enum FsAttribute : int32_t {
  kAttrReadOnly = 1,
  kAttrHidden = 2,  // a name starting with "."
  kAttrDirectory = 16,
  kAttrAlias = 1024,  // a symbolic link
};

class TFsItem : public TVekObject {
 public:
  WideString GetPath() { return FPath; }
  WideString GetName();
  void SetName(const WideString& Value);
  Ref<IDispatch> GetParentFolder();
  WideString GetType();
  Date GetDateCreated();
  Date GetDateLastModified();
  Date GetDateLastAccessed();
  int32_t GetAttributes();
  void SetAttributes(int32_t Value);
  Ref<IDispatch> GetDrive();

 protected:
  // `path` is made absolute; "\" counts as "/".
  TFsItem(const InterfaceInfo& info, const WideString& path, bool folder);
  // The system's path, after checking that the entry still exists as a file or folder.
  std::string CheckedPath() const;

  WideString FPath;
  bool FFolder;
};

// The members files and folders share, at the same numbers in both tables; `F` implements Size,
// Copy, Move and Delete itself and inherits the rest from TFsItem.
template <class F>
InterfaceBuilder<F>& AddItemMembers(InterfaceBuilder<F>& builder) {
  auto inherited = []<class R, class... A>(R (TFsItem::*member)(A...)) -> R (F::*)(A...) { return member; };
  return builder.Getter(0, "Path", inherited(&TFsItem::GetPath))
      .Property(1, "Name", inherited(&TFsItem::GetName), inherited(&TFsItem::SetName))
      .Getter(2, "ParentFolder", inherited(&TFsItem::GetParentFolder))
      .Getter(3, "Size", &F::GetSize)
      .Getter(4, "Type", inherited(&TFsItem::GetType))
      .Getter(5, "DateCreated", inherited(&TFsItem::GetDateCreated))
      .Getter(6, "DateLastModified", inherited(&TFsItem::GetDateLastModified))
      .Getter(7, "DateLastAccessed", inherited(&TFsItem::GetDateLastAccessed))
      .Property(8, "Attributes", inherited(&TFsItem::GetAttributes), inherited(&TFsItem::SetAttributes))
      .Getter(9, "Drive", inherited(&TFsItem::GetDrive))
      .Method(10, "Copy", &F::Copy, {Arg("Destination"), Opt("OverWriteFiles", true)})
      .Method(11, "Move", &F::Move, {Arg("Destination")})
      .Method(12, "Delete", &F::Delete, {Opt("Force", false)});
}

}  // namespace ulka
