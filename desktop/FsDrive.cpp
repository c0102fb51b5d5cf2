#include "desktop/FsDrive.h"

#include <limits.h>
#include <mntent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "automation/Unicode.h"
#include "desktop/FsFolder.h"
#include "desktop/FsPaths.h"

namespace ulka {
namespace {

constexpr std::array<std::string_view, 8> kNetworkTypes = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "afs"};
constexpr std::array<std::string_view, 4> kSystemFolders = {"/proc", "/sys", "/dev", "/run"};

bool IsUnder(std::string_view path, std::string_view folder) {
  if (folder == "/") return true;
  return path == folder || (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

bool Contains(const auto& list, std::string_view item) { return std::find(list.begin(), list.end(), item) != list.end(); }

std::vector<MountPoint> AllMounts() {
  std::vector<MountPoint> mounts;
  struct Closer {
    void operator()(FILE* file) const { endmntent(file); }
  };
  std::unique_ptr<FILE, Closer> table(setmntent("/proc/self/mounts", "r"));
  if (!table) return mounts;
  mntent entry {};
  char buffer[4096];
  while (getmntent_r(table.get(), &entry, buffer, sizeof buffer))
    mounts.push_back({entry.mnt_dir, entry.mnt_fsname, entry.mnt_type});
  return mounts;
}

bool IsDrive(const MountPoint& mount) {
  if (mount.path == "/") return true;
  for (std::string_view system : kSystemFolders) {
    if (IsUnder(mount.path, system) && !IsUnder(mount.path, "/run/media")) return false;
  }
  if (IsUnder(mount.path, "/snap")) return false;
  std::error_code error;
  if (!std::filesystem::is_directory(mount.path, error)) return false;  // a single file mounted over
  return mount.device.starts_with("/dev/") || Contains(kNetworkTypes, mount.type);
}

// udev writes a label's unusual characters as "\xHH".
std::string DecodeLabel(std::string_view name) {
  std::string label;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      label += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else {
      label += name[i];
    }
  }
  return label;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

struct SpaceFigures {
  bool ready = false;
  double total = 0, free = 0, available = 0;
};

SpaceFigures SpaceOf(const std::string& path) {
  struct statvfs figures {};
  SpaceFigures space;
  if (::statvfs(path.c_str(), &figures) != 0) return space;
  const double unit = static_cast<double>(figures.f_frsize);
  space.ready = true;
  space.total = unit * static_cast<double>(figures.f_blocks);
  space.free = unit * static_cast<double>(figures.f_bfree);
  space.available = unit * static_cast<double>(figures.f_bavail);
  return space;
}

}  // namespace

std::vector<MountPoint> ListDrives() {
  std::vector<MountPoint> drives;
  for (const MountPoint& mount : AllMounts()) {
    if (!IsDrive(mount)) continue;
    auto same = std::find_if(drives.begin(), drives.end(), [&](const MountPoint& d) { return d.path == mount.path; });
    if (same != drives.end()) *same = mount;  // mounted over: the later mount is the one seen
    else drives.push_back(mount);
  }
  std::stable_partition(drives.begin(), drives.end(), [](const MountPoint& d) { return d.path == "/"; });
  return drives;
}

std::optional<MountPoint> FindDrive(const WideString& mountPath) {
  if (mountPath.empty() || mountPath.find(u'\0') != WideString::npos) return std::nullopt;
  std::string path = Utf8(ScriptPath(mountPath));
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (const MountPoint& drive : ListDrives()) {
    if (drive.path == path) return drive;
  }
  return std::nullopt;
}

MountPoint MountOf(const std::string& absolutePath) {
  MountPoint best{"/", "", ""};
  size_t bestLength = 0;
  for (const MountPoint& mount : AllMounts()) {
    if (IsUnder(absolutePath, mount.path) && mount.path.size() >= bestLength) {
      best = mount;
      bestLength = mount.path.size();
    }
  }
  return best;
}

const InterfaceInfo& TFsDrive::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TFsDrive>("IDrive", "{FBA6E399-DA0C-4CBB-8E74-A3936CF3BD98}")
          .Getter(0, "Path", &TFsDrive::GetPath)
          .Getter(1, "DriveLetter", &TFsDrive::GetDriveLetter)
          .Getter(2, "ShareName", &TFsDrive::GetShareName)
          .Getter(3, "DriveType", &TFsDrive::GetDriveType)
          .Getter(4, "RootFolder", &TFsDrive::GetRootFolder)
          .Getter(5, "AvailableSpace", &TFsDrive::GetAvailableSpace)
          .Getter(6, "FreeSpace", &TFsDrive::GetFreeSpace)
          .Getter(7, "TotalSize", &TFsDrive::GetTotalSize)
          .Getter(8, "VolumeName", &TFsDrive::GetVolumeName)
          .Getter(9, "FileSystem", &TFsDrive::GetFileSystem)
          .Getter(10, "IsReady", &TFsDrive::GetIsReady)
          .Build();
  return info;
}

TFsDrive::TFsDrive(MountPoint mount) : TVekObject(Info()), FMount(std::move(mount)) {}

WideString TFsDrive::GetPath() { return Wide(FMount.path); }

Ref<IDispatch> TFsDrive::GetRootFolder() { return MakeRef<TFsFolder>(Wide(FMount.path)); }

Variant TFsDrive::GetTotalSize() { return Variant(SpaceOf(FMount.path).total); }

Variant TFsDrive::GetFreeSpace() { return Variant(SpaceOf(FMount.path).free); }

Variant TFsDrive::GetAvailableSpace() { return Variant(SpaceOf(FMount.path).available); }

WideString TFsDrive::GetFileSystem() { return Wide(FMount.type); }

bool TFsDrive::GetIsReady() { return SpaceOf(FMount.path).ready; }

WideString TFsDrive::GetVolumeName() {
  if (!FMount.device.starts_with("/dev/")) return {};
  const std::string device = RealPath(FMount.device);
  std::error_code error;
  std::filesystem::directory_iterator labels("/dev/disk/by-label", error);
  if (error || device.empty()) return {};
  for (const auto& entry : labels) {
    if (RealPath(entry.path().string()) == device) return Wide(DecodeLabel(entry.path().filename().string()));
  }
  return {};
}

WideString TFsDrive::GetShareName() {
  return Contains(kNetworkTypes, FMount.type) ? Wide(FMount.device) : WideString();
}

int32_t TFsDrive::GetDriveType() {
  if (Contains(kNetworkTypes, FMount.type)) return 3;
  if (FMount.type == "iso9660" || FMount.type == "udf") return 4;
  if (FMount.type == "tmpfs" || FMount.type == "ramfs") return 5;
  if (IsUnder(FMount.path, "/media") || IsUnder(FMount.path, "/run/media")) return 1;
  return 2;
}

}  // namespace ulka
