// The desktop's services: special folders and opening documents and URLs with their default
// handler.
#pragma once

#include <cstdint>
#include <string>

namespace ulka {

// The folder for one of the platform's special-folder ids, with a trailing "/"; empty for an id
// that has no counterpart here. 5 (personal) is the documents folder, 26 (application data) the
// XDG data folder, 28 (local application data) the XDG cache folder.
std::string SpecialFolderPath(int32_t folderId);

// Opens a URL or file with the desktop's default handler; false when none could be started.
bool OpenWithDefaultHandler(const std::string& uriOrPath);

}  // namespace ulka
