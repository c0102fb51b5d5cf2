// The root object's file dialogs: filters written as "description|pattern|...", the folder,
// name and filter a dialog starts with, and the extension a save dialog adds to a chosen name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "automation/Variant.h"

namespace ulka {

struct DialogFilter {
  WideString description;
  std::vector<WideString> patterns;  // "*.jpg;*.jpeg" gives two
};

// Pairs of description and patterns; empty pieces are dropped, and an odd last piece too.
std::vector<DialogFilter> ParseDialogFilter(std::u16string_view filter);

// Where a dialog starts: an existing folder (or a path ending in "/") is the folder itself;
// otherwise the folder part and the file name. "\" counts as "/"; relative paths are made absolute.
struct DialogStart {
  WideString folder;
  WideString name;
  WideString extension;  // the name's, from its last ".", in lower case ("" for none)
};
DialogStart SplitDialogStart(const WideString& initPath);

// The filter an open dialog starts with: the first whose patterns include the extension, else
// the last one. A save dialog starts with the last whose patterns include it, else the first.
// -1 when there are no filters.
int OpenDialogFilterIndex(const std::vector<DialogFilter>& filters, std::u16string_view extension);
int SaveDialogFilterIndex(const std::vector<DialogFilter>& filters, std::u16string_view extension);

// The chosen name with the filter's extension appended when the name's own extension is none of
// the filter's: `notes` becomes `notes.txt` under `*.txt`, `notes.log` becomes `notes.log.txt`;
// under `*.jpg;*.jpeg` the first pattern's extension is added and both are kept. Patterns whose
// extension holds a wildcard (`*.*`, `*`) accept any name as it is.
WideString AppendFilterExtension(const WideString& path, const DialogFilter& filter);

// A pattern as the toolkit's glob, matching without regard to case as the platform's patterns
// do; `*.*` matches every name, also one without a dot.
std::string PatternGlob(std::u16string_view pattern);

// The dialogs themselves: cancel answers empty text (Empty for the open dialog).
WideString RunFolderDialog(const WideString& text, const WideString& initPath);
Variant RunOpenDialog(const WideString& filter, const WideString& initPath, bool multiselect,
                      const WideString& title);
WideString RunSaveDialog(const WideString& filter, const WideString& initPath, const WideString& title);

}  // namespace ulka
