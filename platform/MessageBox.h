// Modal message boxes, owned by the dialog owner (platform/DialogOwner.h) when there is one.
#pragma once

#include <cstdint>
#include <string>

namespace ulka {

// `flags` follows the platform's message-box flags: the low four bits pick the buttons (0 OK,
// 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel), 0x10 error,
// 0x20 question, 0x30 warning, 0x40 information icon. Answers the button's id (1 OK, 2 Cancel,
// 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No), 0 when no box could be shown. With `timeoutMs`, the
// box closes by itself after that time and answers kMessageBoxTimedOut. Boxes asked for on other
// threads are shown by the main thread.
int32_t ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags,
                       uint32_t timeoutMs = 0);

constexpr int32_t kMessageBoxTimedOut = -1;

constexpr uint32_t kMessageBoxError = 0x10;

}  // namespace ulka
