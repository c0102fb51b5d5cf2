// Where the application's files come from: a zip named on the command line, or the folder of a
// page named there.
#pragma once

#include <optional>

#include "automation/Dispatch.h"
#include "runtime/Rtl.h"

namespace ulka {

struct ApplicationSource {
  Ref<IDispatch> handler;  // the scheme's handler: its default member reads a name's bytes
  WideString startFile;    // relative to the source
  WideString key;          // names the application when its settings tag does not
  bool fromPackage = false;  // a zip: embedded in the program or named on the command line
  WideString folder;         // the folder served, for a page named on the command line
};

// Consumes the command-line parameter it used (Rtl.ShiftParams). Nothing when no source works;
// then standard error says why.
std::optional<ApplicationSource> ChooseApplicationSource(TRtl& rtl);

// For a page named on the command line that is not there (or is a folder), says so on standard
// error; the window still opens, showing the engine's not-found page.
void ReportMissingStartPage(const ApplicationSource& source);

}  // namespace ulka
