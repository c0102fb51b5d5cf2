// The application object: picks the application's source, serves it under "ulka:", opens the
// start page in the main window as its settings tag describes, runs the message loop, and on
// the way out saves the window placement.
#pragma once

#include "runtime/Rtl.h"
#include "script/ScriptError.h"

namespace ulka {

class TUlka {
 public:
  TUlka();
  TUlka(const TUlka&) = delete;
  TUlka& operator=(const TUlka&) = delete;
  ~TUlka();

  // The run sequence; any failure ends it silently.
  void Run();
  TRtl& Rtl() { return *FRtl; }

  // Shows a script error in the "Error" message box.
  static void ShowScriptError(const ScriptError& error);

 private:
  void RunSequence();

  Ref<TRtl> FRtl;
};

}  // namespace ulka
