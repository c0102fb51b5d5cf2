#include "web/bridge/ExtensionLocation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "runtime/ResourceMembers.h"
#include "web/bridge/CarriedExtension.h"

#ifndef ULKA_EXTENSION_BUILD_DIR
#define ULKA_EXTENSION_BUILD_DIR ""
#endif
#ifndef ULKA_BUILD_ROOT
#define ULKA_BUILD_ROOT ""
#endif

namespace ulka {
namespace {

constexpr char kOwnExecutable[] = "/proc/self/exe";

std::string OwnPath() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink(kOwnExecutable, path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

bool HasExtension(const std::string& folder) {
  struct stat info {};
  return ::stat((folder + "/" + kExtensionFileName).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

ExtensionLocation FindInstalledExtension() {
  ExtensionLocation location;
  const std::string self = OwnPath();
  if (self.empty()) {
    location.error = "cannot tell where the program is, so not where its web extension is";
    return location;
  }
  const std::string bin = FolderOf(self);
  const std::string candidates[] = {bin + "/extension",
                                    FolderOf(bin) + "/lib/" + self.substr(bin.size() + 1) + "/extension"};
  for (const std::string& folder : candidates) {
    if (HasExtension(folder)) {
      location.directory = folder;
      return location;
    }
  }
  // A build's programs, and only they, use the build's extension: a copy taken elsewhere never
  // looks back into a build tree.
  const std::string root = ULKA_BUILD_ROOT;
  if (!root.empty() && self.size() > root.size() && self.compare(0, root.size(), root) == 0 && self[root.size()] == '/') {
    location.directory = ULKA_EXTENSION_BUILD_DIR;
    return location;
  }
  location.error = std::string("cannot find the web extension ") + kExtensionFileName + " (looked in " + candidates[0] +
                   " and " + candidates[1] + ")";
  return location;
}

ExtensionLocation ChooseLocation() {
  std::optional<std::vector<uint8_t>> packed = LoadResourceFromFile(
      kOwnExecutable, ResId::Number(kCarriedExtensionType), ResId::Text(kCarriedExtensionName), 0);
  if (!packed) return FindInstalledExtension();
  PlacedExtension placed = PlaceCarriedExtension(*packed, PrivateFolderBases());
  return {std::move(placed.directory), std::move(placed.error), true};
}

}  // namespace

const ExtensionLocation& WebExtensionLocation() {
  static const ExtensionLocation location = ChooseLocation();
  return location;
}

}  // namespace ulka
