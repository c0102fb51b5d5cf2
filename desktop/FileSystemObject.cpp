#include "desktop/FileSystemObject.h"

#include <sys/stat.h>

#include <cstdio>
#include <random>

#include "automation/Unicode.h"
#include "desktop/Collections.h"
#include "desktop/DesktopErrors.h"
#include "desktop/FsDrive.h"
#include "desktop/FsFile.h"
#include "desktop/FsFolder.h"
#include "desktop/FsOperations.h"
#include "desktop/FsPaths.h"
#include "desktop/TextStream.h"
#include "platform/Shell.h"

namespace ulka {
namespace {

// Whether `name` names an entry of that kind; bad names (a NUL, too long) name nothing.
bool Names(const WideString& name, bool folder) {
  if (name.empty()) return false;
  try {
    struct stat info {};
    const std::string path = SystemPath(name);
    if (::stat(path.c_str(), &info) != 0 && (folder || ::lstat(path.c_str(), &info) != 0)) return false;
    return S_ISDIR(info.st_mode) == folder;
  } catch (const EVekError&) {
    return false;
  }
}

WideString WithoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return Wide(path);
}

}  // namespace

const InterfaceInfo& TFileSystemObject::Info() {
  using F = TFileSystemObject;
  static const InterfaceInfo info =
      InterfaceBuilder<F>("IFileSystem", "{2A0B9D10-4B87-11D3-A97A-00104B365C9F}")
          .Getter(1, "Drives", &F::GetDrives)
          .Method(2, "BuildPath", &F::BuildPath, {Arg("Path"), Arg("Name")})
          .Method(3, "GetParentFolderName", &F::GetParentFolderName, {Arg("Path")})
          .Method(4, "GetFileName", &F::GetFileName, {Arg("Path")})
          .Method(5, "GetBaseName", &F::GetBaseName, {Arg("Path")})
          .Method(6, "GetExtensionName", &F::GetExtensionName, {Arg("Path")})
          .Method(7, "GetAbsolutePathName", &F::GetAbsolutePathName, {Arg("Path")})
          .Method(8, "GetTempName", &F::GetTempName)
          .Method(9, "DriveExists", &F::DriveExists, {Arg("DriveSpec")})
          .Method(10, "FileExists", &F::FileExists, {Arg("FileSpec")})
          .Method(11, "FolderExists", &F::FolderExists, {Arg("FolderSpec")})
          .Method(12, "GetDrive", &F::GetDrive, {Arg("DriveSpec")})
          .Method(13, "GetFile", &F::GetFile, {Arg("FilePath")})
          .Method(14, "GetFolder", &F::GetFolder, {Arg("FolderPath")})
          .Method(15, "GetSpecialFolder", &F::GetSpecialFolder, {Arg("SpecialFolder")})
          .Method(16, "DeleteFile", &F::DeleteFile, {Arg("FileSpec"), Opt("Force", false)})
          .Method(17, "DeleteFolder", &F::DeleteFolder, {Arg("FolderSpec"), Opt("Force", false)})
          .Method(18, "MoveFile", &F::MoveFile, {Arg("Source"), Arg("Destination")})
          .Method(19, "MoveFolder", &F::MoveFolder, {Arg("Source"), Arg("Destination")})
          .Method(20, "CopyFile", &F::CopyFile, {Arg("Source"), Arg("Destination"), Opt("OverWriteFiles", true)})
          .Method(21, "CopyFolder", &F::CopyFolder, {Arg("Source"), Arg("Destination"), Opt("OverWriteFiles", true)})
          .Method(22, "CreateFolder", &F::CreateFolder, {Arg("Path")})
          .Method(23, "CreateTextFile", &F::CreateTextFile, {Arg("FileName"), Opt("Overwrite", true), Opt("Unicode", false)})
          .Method(24, "OpenTextFile", &F::OpenTextFile,
                  {Arg("FileName"), Opt("IOMode", int32_t{1}), Opt("Create", false), Opt("Format", int32_t{0})})
          .Build();
  return info;
}

bool TFileSystemObject::FileExists(const WideString& FileSpec) { return Names(FileSpec, false); }

bool TFileSystemObject::FolderExists(const WideString& FolderSpec) { return Names(FolderSpec, true); }

bool TFileSystemObject::DriveExists(const WideString& DriveSpec) { return FindDrive(DriveSpec).has_value(); }

Ref<IDispatch> TFileSystemObject::GetFile(const WideString& FilePath) {
  if (FilePath.empty()) FailDesktop(DesktopError::InvalidCall);
  SystemPath(FilePath);
  if (!FileExists(FilePath)) FailDesktop(DesktopError::FileNotFound);
  return MakeRef<TFsFile>(FilePath);
}

Ref<IDispatch> TFileSystemObject::GetFolder(const WideString& FolderPath) {
  if (FolderPath.empty()) FailDesktop(DesktopError::InvalidCall);
  SystemPath(FolderPath);
  if (!FolderExists(FolderPath)) FailDesktop(DesktopError::PathNotFound);
  return MakeRef<TFsFolder>(FolderPath);
}

Ref<IDispatch> TFileSystemObject::GetDrive(const WideString& DriveSpec) {
  std::optional<MountPoint> drive = FindDrive(DriveSpec);
  if (!drive) FailDesktop(DesktopError::DeviceUnavailable);
  return MakeRef<TFsDrive>(*drive);
}

WideString TFileSystemObject::GetFileName(const WideString& Path) { return FileNameOf(Path); }

WideString TFileSystemObject::GetBaseName(const WideString& Path) { return BaseNameOf(Path); }

WideString TFileSystemObject::GetExtensionName(const WideString& Path) { return ExtensionOf(Path); }

WideString TFileSystemObject::GetParentFolderName(const WideString& Path) { return ParentOf(Path); }

WideString TFileSystemObject::GetAbsolutePathName(const WideString& Path) { return AbsolutePathOf(Path); }

WideString TFileSystemObject::BuildPath(const WideString& Path, const WideString& Name) { return BuildPathOf(Path, Name); }

WideString TFileSystemObject::GetTempName() {
  static thread_local std::mt19937 random{std::random_device{}()};
  char name[16];
  std::snprintf(name, sizeof name, "rad%05X.tmp", static_cast<unsigned>(random() & 0xFFFFF));
  return Wide(name);
}

Ref<IDispatch> TFileSystemObject::GetSpecialFolder(int32_t SpecialFolder) {
  switch (SpecialFolder) {
    case 0: return MakeRef<TFsFolder>(WithoutSlash(SpecialFolderPath(0x24)));
    case 1: return MakeRef<TFsFolder>(WithoutSlash(SpecialFolderPath(0x25)));
    case 2: return MakeRef<TFsFolder>(WithoutSlash(SpecialFolderPath(kTemporaryFolderId)));
    default: FailDesktop(DesktopError::InvalidCall);
  }
}

Ref<IDispatch> TFileSystemObject::CreateFolder(const WideString& Path) {
  MakeFolder(Path);
  return MakeRef<TFsFolder>(Path);
}

void TFileSystemObject::CopyFile(const WideString& Source, const WideString& Destination, bool OverWriteFiles) {
  CopyFiles(Source, Destination, OverWriteFiles);
}

void TFileSystemObject::MoveFile(const WideString& Source, const WideString& Destination) { MoveFiles(Source, Destination); }

void TFileSystemObject::DeleteFile(const WideString& FileSpec, bool Force) { DeleteFiles(FileSpec, Force); }

void TFileSystemObject::CopyFolder(const WideString& Source, const WideString& Destination, bool OverWriteFiles) {
  CopyFolders(Source, Destination, OverWriteFiles);
}

void TFileSystemObject::MoveFolder(const WideString& Source, const WideString& Destination) {
  MoveFolders(Source, Destination);
}

void TFileSystemObject::DeleteFolder(const WideString& FolderSpec, bool Force) { DeleteFolders(FolderSpec, Force); }

Ref<IDispatch> TFileSystemObject::OpenTextFile(const WideString& FileName, int32_t IOMode, bool Create, int32_t Format) {
  return ulka::OpenTextFile(FileName, IOMode, Create, Format);
}

Ref<IDispatch> TFileSystemObject::CreateTextFile(const WideString& FileName, bool Overwrite, bool Unicode) {
  return ulka::CreateTextFile(FileName, Overwrite, Unicode);
}

Ref<IDispatch> TFileSystemObject::GetDrives() {
  std::vector<TNamedCollection::Entry> drives;
  for (MountPoint& mount : ListDrives()) {
    WideString name = Wide(mount.path);
    drives.emplace_back(std::move(name), MakeRef<TFsDrive>(std::move(mount)));
  }
  return MakeRef<TNamedCollection>(std::move(drives), DesktopError::DeviceUnavailable);
}

Ref<IDispatch> FileSystemFor(const WideString& path) {
  Ref<TFileSystemObject> system = MakeRef<TFileSystemObject>();
  if (path.empty()) return system;
  if (system->FileExists(path)) return system->GetFile(path);
  if (system->FolderExists(path)) return system->GetFolder(path);
  if (system->DriveExists(path)) return system->GetDrive(path);
  return system;
}

}  // namespace ulka
