// Our stand-in for the platform's file-system object ("Scripting.FileSystemObject"): lookups,
// the name arithmetic of paths, and copying, moving, deleting and opening files and folders.
// Paths are POSIX; "\" counts as "/". Safe on any thread (it keeps no state).
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TFileSystemObject : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TFileSystemObject() : TVekObject(Info()) {}

  bool FileExists(const WideString& FileSpec);
  bool FolderExists(const WideString& FolderSpec);
  bool DriveExists(const WideString& DriveSpec);
  Ref<IDispatch> GetFile(const WideString& FilePath);
  Ref<IDispatch> GetFolder(const WideString& FolderPath);
  Ref<IDispatch> GetDrive(const WideString& DriveSpec);
  WideString GetFileName(const WideString& Path);
  WideString GetBaseName(const WideString& Path);
  WideString GetExtensionName(const WideString& Path);
  WideString GetParentFolderName(const WideString& Path);
  WideString GetAbsolutePathName(const WideString& Path);
  WideString BuildPath(const WideString& Path, const WideString& Name);
  WideString GetTempName();
  // 0 the system folder, 1 the programs folder, 2 the temporary folder.
  Ref<IDispatch> GetSpecialFolder(int32_t SpecialFolder);
  Ref<IDispatch> CreateFolder(const WideString& Path);
  void CopyFile(const WideString& Source, const WideString& Destination, bool OverWriteFiles);
  void MoveFile(const WideString& Source, const WideString& Destination);
  void DeleteFile(const WideString& FileSpec, bool Force);
  void CopyFolder(const WideString& Source, const WideString& Destination, bool OverWriteFiles);
  void MoveFolder(const WideString& Source, const WideString& Destination);
  void DeleteFolder(const WideString& FolderSpec, bool Force);
  Ref<IDispatch> OpenTextFile(const WideString& FileName, int32_t IOMode, bool Create, int32_t Format);
  Ref<IDispatch> CreateTextFile(const WideString& FileName, bool Overwrite, bool Unicode);
  Ref<IDispatch> GetDrives();
};

// What `Rtl.FileSystem(Path)` answers: the file, else the folder, else the drive that Path names,
// else the file-system object itself (also for an empty Path).
Ref<IDispatch> FileSystemFor(const WideString& path);

}  // namespace ulka
