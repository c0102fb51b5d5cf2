// Where the engine loads the web-process extension from, chosen once per process:
//   - a program that carries the extension (a stand-alone program made by ulka-pack): its own
//     copy, unpacked into a private folder (CarriedExtension.h); nothing else is looked at;
//   - else an `extension` folder beside the program, or the program's own library folder
//     (bin/NAME finds lib/NAME/extension: an installed host, a program from a Debian package);
//   - else, for a program run from the build tree, the build's extension folder.
#pragma once

#include <string>

namespace ulka {

struct ExtensionLocation {
  std::string directory;  // empty when there is none
  std::string error;      // why, then
  bool carried = false;   // the program's own copy
};

const ExtensionLocation& WebExtensionLocation();

}  // namespace ulka
