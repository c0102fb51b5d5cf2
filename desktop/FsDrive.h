// The file-system object's drives: the mounted file systems a person would call drives (the root,
// disks, removable and network mounts; not the system's own virtual ones), each named by its
// mount point. There are no drive letters.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "automation/VekObject.h"

namespace ulka {

struct MountPoint {
  std::string path;    // where it is mounted
  std::string device;  // what is mounted ("/dev/sda1", "server:/share", "tmpfs")
  std::string type;    // the file system ("ext4", "nfs4", "tmpfs")
};

// The drives, in mount order, the root first.
std::vector<MountPoint> ListDrives();
// The drive whose mount point is `mountPath` ("/" or "/media/stick", a trailing "/" ignored).
std::optional<MountPoint> FindDrive(const WideString& mountPath);
// The mount that holds an absolute path (of every mount, virtual ones included).
MountPoint MountOf(const std::string& absolutePath);

class TFsDrive : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TFsDrive(MountPoint mount);

  WideString GetPath();
  WideString GetDriveLetter() { return {}; }
  Ref<IDispatch> GetRootFolder();
  Variant GetTotalSize();
  Variant GetFreeSpace();
  Variant GetAvailableSpace();
  WideString GetFileSystem();
  bool GetIsReady();
  WideString GetVolumeName();
  WideString GetShareName();
  // 1 removable, 2 fixed, 3 network, 4 optical, 5 memory.
  int32_t GetDriveType();

 private:
  MountPoint FMount;
};

}  // namespace ulka
