#include "platform/FileDialogs.h"

#include <gtk/gtk.h>

#include <condition_variable>
#include <mutex>

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "platform/DialogOwner.h"
#include "platform/GObjectPtr.h"
#include "platform/MainLoop.h"

namespace ulka {
namespace {

// One file dialog at a time: the toolkit's choosers (and the portals behind them) do not nest.
// Other threads queue for the slot; the main thread, which would have to wait inside the open
// dialog's own loop, is refused.
class DialogSlot {
 public:
  static DialogSlot& Instance() {
    static DialogSlot slot;
    return slot;
  }
  void Acquire() {
    std::unique_lock guard(lock_);
    if (OnMainThread()) {
      if (busy_) Fail(msg::kFileDialogBusy);
    } else {
      free_.wait(guard, [this] { return !busy_; });
    }
    busy_ = true;
  }
  void Release() {
    {
      std::lock_guard guard(lock_);
      busy_ = false;
    }
    free_.notify_one();
  }

 private:
  std::mutex lock_;
  std::condition_variable free_;
  bool busy_ = false;
};

class SlotHold {
 public:
  SlotHold() { DialogSlot::Instance().Acquire(); }
  SlotHold(const SlotHold&) = delete;
  SlotHold& operator=(const SlotHold&) = delete;
  ~SlotHold() { DialogSlot::Instance().Release(); }
};

GtkFileChooserAction ActionFor(FileDialogKind kind) {
  switch (kind) {
    case FileDialogKind::Save: return GTK_FILE_CHOOSER_ACTION_SAVE;
    case FileDialogKind::Folder: return GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    default: return GTK_FILE_CHOOSER_ACTION_OPEN;
  }
}

const char* DefaultTitle(FileDialogKind kind) {
  switch (kind) {
    case FileDialogKind::Save: return "Save As";
    case FileDialogKind::Folder: return "Select Folder";
    default: return "Open";
  }
}

const char* AcceptLabel(FileDialogKind kind) {
  switch (kind) {
    case FileDialogKind::Save: return "_Save";
    case FileDialogKind::Folder: return "_Select";
    default: return "_Open";
  }
}

// The filters in the request's order; the chooser holds them, the list only points at them.
std::vector<GtkFileFilter*> AddFilters(GtkFileChooser* chooser, const FileDialogRequest& request) {
  std::vector<GtkFileFilter*> filters;
  for (const FileTypeFilter& wanted : request.filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, wanted.name.c_str());
    for (const std::string& glob : wanted.globs) gtk_file_filter_add_pattern(filter, glob.c_str());
    gtk_file_chooser_add_filter(chooser, filter);
    filters.push_back(filter);
  }
  if (request.selectedFilter >= 0 && request.selectedFilter < static_cast<int>(filters.size()))
    gtk_file_chooser_set_filter(chooser, filters[request.selectedFilter]);
  return filters;
}

// Without a folder of its own the dialog starts in the current folder (rather than the
// toolkit's list of recent files, where a typed folder cannot be chosen).
void SetStartingPoint(GtkFileChooser* chooser, const FileDialogRequest& request) {
  if (!request.folder.empty() && g_file_test(request.folder.c_str(), G_FILE_TEST_IS_DIR)) {
    gtk_file_chooser_set_current_folder(chooser, request.folder.c_str());
  } else {
    GCharPtr current(g_get_current_dir());
    gtk_file_chooser_set_current_folder(chooser, current.get());
  }
  if (request.name.empty()) return;
  if (request.kind == FileDialogKind::Save) {
    gtk_file_chooser_set_current_name(chooser, request.name.c_str());
    return;
  }
  GCharPtr path(g_build_filename(request.folder.c_str(), request.name.c_str(), nullptr));
  if (g_file_test(path.get(), G_FILE_TEST_EXISTS)) gtk_file_chooser_select_filename(chooser, path.get());
}

std::vector<std::string> ChosenPaths(GtkFileChooser* chooser) {
  std::vector<std::string> paths;
  GSList* names = gtk_file_chooser_get_filenames(chooser);
  for (GSList* item = names; item; item = item->next) {
    paths.emplace_back(static_cast<char*>(item->data));
    g_free(item->data);
  }
  g_slist_free(names);
  return paths;
}

int IndexOf(const std::vector<GtkFileFilter*>& filters, GtkFileFilter* filter) {
  for (size_t i = 0; i < filters.size(); ++i) {
    if (filters[i] == filter) return static_cast<int>(i);
  }
  return -1;
}

FileDialogAnswer ShowChooser(const FileDialogRequest& request) {
  const char* title = request.title.empty() ? DefaultTitle(request.kind) : request.title.c_str();
  GObjectPtr<GtkFileChooserNative> native(gtk_file_chooser_native_new(
      title, DialogOwner(), ActionFor(request.kind), AcceptLabel(request.kind), "_Cancel"));
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(native.get());
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(native.get()), TRUE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_select_multiple(chooser, request.kind == FileDialogKind::Open && request.multiple);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, request.kind == FileDialogKind::Save);
  std::vector<GtkFileFilter*> filters = AddFilters(chooser, request);
  SetStartingPoint(chooser, request);

  int response = GTK_RESPONSE_NONE;
  bool answered = false;
  auto onResponse = +[](GtkNativeDialog*, int id, gpointer data) {
    auto* state = static_cast<std::pair<int*, bool*>*>(data);
    *state->first = id;
    *state->second = true;
  };
  std::pair<int*, bool*> state{&response, &answered};
  SignalConnection connection(native.get(), "response", G_CALLBACK(onResponse), &state);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(native.get()));
  RunUntil([&] { return answered; });
  if (!answered) gtk_native_dialog_hide(GTK_NATIVE_DIALOG(native.get()));  // the application is ending

  FileDialogAnswer answer;
  if (answered && response == GTK_RESPONSE_ACCEPT) {
    answer.paths = ChosenPaths(chooser);
    answer.accepted = !answer.paths.empty();
    answer.filter = IndexOf(filters, gtk_file_chooser_get_filter(chooser));
  }
  connection.Disconnect();
  gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(native.get()));
  return answer;
}

}  // namespace

FileDialogAnswer RunFileDialog(const FileDialogRequest& request) {
  SlotHold slot;
  FileDialogAnswer answer;
  RunOnMainThread([&] {
    if (!PlatformReady() && !InitPlatform()) return;
    answer = ShowChooser(request);
  });
  return answer;
}

}  // namespace ulka
