// The shell stand-in's shortcut: a freedesktop launcher file (".desktop"). A name ending in
// ".lnk" or ".url" gets ".desktop" in its place; an existing launcher is read first. `Save`
// writes an application launcher, or a link launcher when the target is a URL.
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TWshShortcut : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  // Fails with "The shortcut pathname must end with .lnk, .url or .desktop." for other names.
  explicit TWshShortcut(const WideString& pathLink);

  WideString GetFullName() { return FFullName; }
  WideString GetTargetPath() { return FTargetPath; }
  void SetTargetPath(const WideString& Value) { FTargetPath = Value; }
  WideString GetArguments() { return FArguments; }
  void SetArguments(const WideString& Value) { FArguments = Value; }
  WideString GetWorkingDirectory() { return FWorkingDirectory; }
  void SetWorkingDirectory(const WideString& Value) { FWorkingDirectory = Value; }
  WideString GetDescription() { return FDescription; }
  void SetDescription(const WideString& Value) { FDescription = Value; }
  WideString GetIconLocation() { return FIconLocation; }
  void SetIconLocation(const WideString& Value) { FIconLocation = Value; }
  WideString GetHotkey() { return FHotkey; }
  void SetHotkey(const WideString& Value) { FHotkey = Value; }
  int32_t GetWindowStyle() { return FWindowStyle; }
  void SetWindowStyle(int32_t Value) { FWindowStyle = Value; }
  void Save();

 private:
  void LoadExisting();

  WideString FFullName;
  WideString FTargetPath;
  WideString FArguments;
  WideString FWorkingDirectory;
  WideString FDescription;
  WideString FIconLocation;
  WideString FHotkey;  // kept, not written: launchers have no hot keys
  int32_t FWindowStyle = 1;
};

// The Exec line of a launcher for a program and its arguments, quoted as launchers read them.
std::string LauncherExec(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace ulka
