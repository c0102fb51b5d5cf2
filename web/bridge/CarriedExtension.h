// The web-process extension a stand-alone program carries: the resource "ULKAEXTENSION" of type
// 10, the library compressed with xz. At start it is unpacked into a private folder of the user's,
// <base>/ulka-extension/<SHA-256 of the library>/libulkaextension.so, where the engine loads it:
//   - every folder from the root to <base> belongs to the user or to root and no other user can
//     write it (a folder all may write counts only with the sticky bit), and <base> allows running
//     code (no noexec mount);
//   - ulka-extension and the hash folder belong to the user and nobody else may write them
//     (made with mode 0700; a looser mode another user could have used is refused);
//   - a library already there is used only when it is the user's regular file and its SHA-256 is
//     the one of the carried library; otherwise it is written again, whole, through a temporary
//     file renamed over it, so that two starts at once each see a complete file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/Types.h"

namespace ulka {

constexpr uint16_t kCarriedExtensionType = 10;
constexpr char16_t kCarriedExtensionName[] = u"ULKAEXTENSION";
constexpr char kExtensionFileName[] = "libulkaextension.so";

struct PlacedExtension {
  std::string directory;  // where the engine loads the extension from; empty on failure
  std::string error;      // why no base would do, one reason per base tried
};

// The library inside xz-compressed bytes; false with `error` set for anything but one whole
// stream (or more than `limit` bytes unpacked).
bool UnpackExtension(std::span<const uint8_t> packed, Bytes& library, std::string& error,
                     size_t limit = size_t{256} << 20);

// Places the library unpacked from `packed` under the first of `bases` that is safe to use.
PlacedExtension PlaceCarriedExtension(std::span<const uint8_t> packed, const std::vector<std::string>& bases);

// The folders a private copy may go under: XDG_RUNTIME_DIR (when set to an absolute path), then
// the user's cache folder.
std::vector<std::string> PrivateFolderBases();

}  // namespace ulka
