// The desktop's services: special folders, opening documents, folders and URLs with their
// default handler, the trash, and the descriptions of file types.
#pragma once

#include <cstdint>
#include <string>

namespace ulka {

// The folder for one of the platform's special-folder numbers (docs/desktop-objects.md has the
// table), with a trailing "/"; empty for a number that has no counterpart here. Folders are not
// created when missing.
std::string SpecialFolderPath(int32_t folderId);

// The temporary folder has no platform number; this one is ours.
constexpr int32_t kTemporaryFolderId = 0xFF;

// Opens a URL or file with the desktop's default handler; false when none could be started.
bool OpenWithDefaultHandler(const std::string& uriOrPath);

// What opening a target with a verb answers: above 32 on success, else one of these numbers.
constexpr uint32_t kLaunchStarted = 42;
constexpr uint32_t kLaunchFileNotFound = 2;   // no such file (or the handler's program is missing)
constexpr uint32_t kLaunchPathNotFound = 3;   // a folder on the way does not exist
constexpr uint32_t kLaunchAccessDenied = 5;   // the target cannot be read
constexpr uint32_t kLaunchNoAssociation = 31; // no application for this target and verb

// Starts the desktop's application for `target` (a path, relative to the current folder, or a
// URL) and `verb`: "open" (or empty) opens it with its default application; "edit" opens a text
// file in the default text editor and anything else with its default application; "explore"
// opens a folder in the file manager. Nothing goes through a shell: the target is handed to the
// application as one file or URL. Never blocks on the application.
uint32_t LaunchWithVerb(const std::string& target, const std::string& verb);

// Moves a file or folder to the desktop's trash (the freedesktop layout, so that file managers
// can restore it); false when it does not exist or has no trash. Nothing is ever deleted outright.
bool MoveToTrash(const std::string& path);

// A person's name for the type of a file or folder ("plain text document", "Folder"); empty
// when the target cannot be read.
std::string FileTypeDescription(const std::string& path);

}  // namespace ulka
