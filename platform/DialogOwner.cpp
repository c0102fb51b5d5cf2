#include "platform/DialogOwner.h"

#include <mutex>

namespace ulka {
namespace {

struct OwnerHook {
  std::mutex lock;
  DialogOwnerSource source;
};

OwnerHook& TheOwnerHook() {
  static OwnerHook hook;
  return hook;
}

}  // namespace

void SetDialogOwner(DialogOwnerSource source) {
  OwnerHook& hook = TheOwnerHook();
  std::lock_guard guard(hook.lock);
  hook.source = std::move(source);
}

GtkWindow* DialogOwner() {
  DialogOwnerSource source;
  {
    OwnerHook& hook = TheOwnerHook();
    std::lock_guard guard(hook.lock);
    source = hook.source;
  }
  GtkWindow* owner = source ? source() : nullptr;
  // A hidden owner would hide its dialog with it (or leave it without a place on the screen).
  return owner && gtk_widget_get_visible(GTK_WIDGET(owner)) ? owner : nullptr;
}

}  // namespace ulka
