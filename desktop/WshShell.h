// Our stand-in for the platform's shell object ("WScript.Shell"): starting programs, the
// environment, the current folder, special folders, a message box that closes itself, launcher
// shortcuts and the per-user key store. Popup runs on the main thread; everything else on the
// caller's. The current folder and the environment are the process's, shared by every thread.
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TWshShell : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TWshShell() : TVekObject(Info()) {}

  // Starts the command; with WaitOnReturn answers its exit code, else 0. A command whose first
  // word is a document, folder or URL rather than a program opens it with its default
  // application. WindowStyle has no meaning here and is ignored.
  int32_t Run(const WideString& Command, int32_t WindowStyle, bool WaitOnReturn);
  Ref<IDispatch> Exec(const WideString& Command);
  WideString ExpandEnvironmentStrings(const WideString& Src);
  // "PROCESS", "SYSTEM" (the default), "USER" or "VOLATILE".
  Ref<IDispatch> GetEnvironment(const WideString& Type);
  WideString GetCurrentDirectory();
  void SetCurrentDirectory(const WideString& Value);
  // The folder of a name such as "Desktop" or "MyDocuments" (without "/" at its end); empty for
  // a name this desktop has no folder for.
  WideString GetSpecialFolders(const Variant& Name);
  // The button's id; -1 when the box closed by itself after SecondsToWait.
  int32_t Popup(const WideString& Text, int32_t SecondsToWait, const WideString& Title, int32_t Type);
  Ref<IDispatch> CreateShortcut(const WideString& PathLink);
  Variant RegRead(const WideString& Name);
  void RegWrite(const WideString& Name, const Variant& Value, const WideString& Type);
  void RegDelete(const WideString& Name);
};

}  // namespace ulka
