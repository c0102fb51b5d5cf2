// The window that dialogs and message boxes are modal to: the application's main window when the
// program has one. The windowed host names it; the script runner has none, so its dialogs stand
// alone.
#pragma once

#include <gtk/gtk.h>

#include <functional>

namespace ulka {

using DialogOwnerSource = std::function<GtkWindow*()>;

void SetDialogOwner(DialogOwnerSource source);
// The owner for a dialog about to open, or null; main thread only.
GtkWindow* DialogOwner();

}  // namespace ulka
