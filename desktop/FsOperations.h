// What the file-system object does to files and folders on disk: copying, moving, deleting and
// making them. A source may name several entries with "*" and "?" in its last name (matched
// without regard to case); several sources always go into the destination folder, as does one
// when the destination ends with "/" (or, for files, is a folder). Failures are the platform's
// ("File not found", "Path not found", "File already exists", "Permission denied", ...).
#pragma once

#include "automation/Types.h"

namespace ulka {

// How a source names what it acts on: with wildcards, or exactly (a file or folder object's own
// path, in which "*" and "?" are plain characters).
enum class SourceNames { Wildcards, Exact };

void CopyFiles(const WideString& source, const WideString& destination, bool overwrite,
               SourceNames names = SourceNames::Wildcards);
// Never replaces an existing file. Answers where the (last) file went.
WideString MoveFiles(const WideString& source, const WideString& destination,
                     SourceNames names = SourceNames::Wildcards);
// Read-only files (no write permission for their owner) are deleted only with `force`.
void DeleteFiles(const WideString& pattern, bool force, SourceNames names = SourceNames::Wildcards);

// Copies whole trees (symbolic links as links); an existing destination folder is merged into.
void CopyFolders(const WideString& source, const WideString& destination, bool overwrite,
                 SourceNames names = SourceNames::Wildcards);
// Answers where the (last) folder went.
WideString MoveFolders(const WideString& source, const WideString& destination,
                       SourceNames names = SourceNames::Wildcards);
// Never deletes the root folder.
void DeleteFolders(const WideString& pattern, bool force, SourceNames names = SourceNames::Wildcards);

// Makes one folder; its parent must exist.
void MakeFolder(const WideString& path);

}  // namespace ulka
