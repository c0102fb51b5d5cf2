#include "platform/MessageBox.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <cstdio>
#include <vector>

#include "platform/DialogOwner.h"
#include "platform/MainLoop.h"

namespace ulka {
namespace {

struct Button {
  const char* label;
  int32_t id;
};

std::vector<Button> ButtonsFor(uint32_t flags) {
  switch (flags & 0xF) {
    case 1: return {{"_OK", 1}, {"_Cancel", 2}};
    case 2: return {{"_Abort", 3}, {"_Retry", 4}, {"_Ignore", 5}};
    case 3: return {{"_Yes", 6}, {"_No", 7}, {"_Cancel", 2}};
    case 4: return {{"_Yes", 6}, {"_No", 7}};
    case 5: return {{"_Retry", 4}, {"_Cancel", 2}};
    default: return {{"_OK", 1}};
  }
}

GtkMessageType TypeFor(uint32_t flags) {
  switch (flags & 0xF0) {
    case 0x10: return GTK_MESSAGE_ERROR;
    case 0x20: return GTK_MESSAGE_QUESTION;
    case 0x30: return GTK_MESSAGE_WARNING;
    case 0x40: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
  }
}

// The response of a box that closed by itself; no button has it.
constexpr int kTimedOutResponse = 32000;

// The answer a box without a user gives (tests run headless): ULKA_MESSAGEBOX_ANSWER=id closes
// every box at once with that button, and the text goes to standard error.
int32_t AutomaticAnswer(const std::string& text, const std::string& caption) {
  const char* answer = std::getenv("ULKA_MESSAGEBOX_ANSWER");
  if (!answer || !*answer) return -1;
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return std::atoi(answer);
}

}  // namespace

int32_t ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags, uint32_t timeoutMs) {
  if (int32_t automatic = AutomaticAnswer(text, caption); automatic >= 0) return automatic;
  if (!OnMainThread()) {  // script threads report errors too; windows belong to the main thread
    int32_t answer = 0;
    RunOnMainThread([&] { answer = ShowMessageBox(text, caption, flags, timeoutMs); });
    return answer;
  }
  if (!PlatformReady() && !InitPlatform()) return 0;
  GtkWidget* dialog = gtk_message_dialog_new(DialogOwner(), GTK_DIALOG_MODAL, TypeFor(flags), GTK_BUTTONS_NONE,
                                             "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  for (const Button& b : ButtonsFor(flags)) gtk_dialog_add_button(GTK_DIALOG(dialog), b.label, b.id);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  guint timer = 0;
  if (timeoutMs) {
    timer = g_timeout_add(timeoutMs, +[](gpointer box) -> gboolean {
      gtk_dialog_response(GTK_DIALOG(box), kTimedOutResponse);
      return G_SOURCE_REMOVE;
    }, dialog);
  }
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  if (timer && response != kTimedOutResponse) g_source_remove(timer);
  gtk_widget_destroy(dialog);
  if (response == kTimedOutResponse) return kMessageBoxTimedOut;
  if (response < 0) {  // closed by the frame: the answer of the box's way out
    uint32_t buttons = flags & 0xF;
    return buttons == 0 ? 1 : buttons == 4 ? 7 : buttons == 2 ? 3 : 2;
  }
  return response;
}

}  // namespace ulka
