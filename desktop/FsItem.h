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

// The member tables of files and folders name members that TFsItem implements.
template <class Derived, class R, class Base, class... A>
constexpr auto Inherited(R (Base::*member)(A...)) -> R (Derived::*)(A...) {
  return member;
}

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

}  // namespace ulka
