// The shell stand-in's exec object: a program started with pipes, its standard streams as text
// streams, its status and exit code. Its two output pipes are drained together, so a program
// that fills the one the script does not read cannot stall the one it reads.
#pragma once

#include <memory>

#include "automation/VekObject.h"
#include "desktop/ChildProcess.h"
#include "desktop/TextStream.h"

namespace ulka {

class TWshExec : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TWshExec(ChildProcess child);
  ~TWshExec() override;

  // 0 running, 1 finished.
  int32_t GetStatus();
  Ref<IDispatch> GetStdIn() { return FStdIn; }
  Ref<IDispatch> GetStdOut() { return FStdOut; }
  Ref<IDispatch> GetStdErr() { return FStdErr; }
  // The program's exit code once it finished, 0 while it runs.
  int32_t GetExitCode();
  int32_t GetProcessID() { return static_cast<int32_t>(FPid); }
  // Asks the program to end, and ends it outright when it has not within a second.
  void Terminate();

 private:
  void Poll();

  pid_t FPid;
  bool FFinished = false;
  int FExitCode = 0;
  Ref<TTextStream> FStdIn;
  Ref<TTextStream> FStdOut;
  Ref<TTextStream> FStdErr;
};

}  // namespace ulka
