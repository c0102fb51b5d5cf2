// The process environment as the shell stand-in reads and writes it, and the expansion of
// variables in text. Every access here holds one lock, so that script threads do not read the
// environment while another changes it; started processes inherit it as it is then.
#pragma once

#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/Types.h"

namespace ulka {

// Held while the environment is read by something outside this file (starting a process).
std::mutex& EnvironmentLock();

// The variable of exactly that name, else the first whose name differs only in letter case.
std::optional<WideString> GetVariable(std::u16string_view name);
// Fails with "Invalid procedure call or argument" for a name that is empty or holds "=".
void SetVariable(std::u16string_view name, std::u16string_view value);
void RemoveVariable(std::u16string_view name);
std::vector<std::pair<WideString, WideString>> AllVariables();

// Replaces "%NAME%" (and with `dollarForms` also "$NAME" and "${NAME}") by the variable's
// value; names that are not set stay as they are. Where the environment lacks them, TEMP, TMP,
// USERPROFILE, APPDATA, LOCALAPPDATA, USERNAME and COMPUTERNAME give this desktop's answers.
WideString ExpandVariables(std::u16string_view text, bool dollarForms);

}  // namespace ulka
