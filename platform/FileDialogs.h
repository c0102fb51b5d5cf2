// The desktop's file choosers (the native kind, so that desktop portals can stand in for them):
// open, save and choose a folder, modal to the dialog owner.
#pragma once

#include <string>
#include <vector>

namespace ulka {

enum class FileDialogKind { Open, Save, Folder };

struct FileTypeFilter {
  std::string name;
  std::vector<std::string> globs;  // shell globs as the toolkit matches them ("*.[tT][xX][tT]")
};

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  std::string title;   // empty: the dialog's own title
  std::string folder;  // the folder shown first; empty: the toolkit's choice
  std::string name;    // Save: the name offered; Open and Folder: an existing entry to select
  std::vector<FileTypeFilter> filters;
  int selectedFilter = -1;
  bool multiple = false;  // Open only
};

struct FileDialogAnswer {
  bool accepted = false;
  std::vector<std::string> paths;  // full paths, in the order the dialog gives them
  int filter = -1;                 // the filter selected when the dialog closed
};

// Shows the dialog on the main thread and waits for it (a nested loop there). A call from another
// thread waits while a dialog opened by someone else is open; a second dialog asked for on the
// main thread while one is open fails with "Another file dialog is already open". Without a
// display the answer is a cancel.
FileDialogAnswer RunFileDialog(const FileDialogRequest& request);

}  // namespace ulka
