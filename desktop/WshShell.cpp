#include "desktop/WshShell.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>

#include "automation/Unicode.h"
#include "desktop/ChildProcess.h"
#include "desktop/DesktopErrors.h"
#include "desktop/Environment.h"
#include "desktop/FsPaths.h"
#include "desktop/KeyStore.h"
#include "desktop/WshEnvironment.h"
#include "desktop/WshExec.h"
#include "desktop/WshShortcut.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

namespace ulka {
namespace {

struct FolderName {
  std::u16string_view name;
  int32_t folderId;
};

// The special-folder names scripts pass, and the platform's numbers behind them.
constexpr FolderName kFolderNames[] = {
    {u"AllUsersStartMenu", 0x16}, {u"AllUsersPrograms", 0x17}, {u"AllUsersStartup", 0x18},
    {u"AppData", 0x1A},           {u"Desktop", 0x10},          {u"Fonts", 0x14},
    {u"LocalAppData", 0x1C},      {u"MyDocuments", 0x05},      {u"Programs", 0x02},
    {u"StartMenu", 0x0B},         {u"Startup", 0x07},          {u"Templates", 0x15},
};

WideString WithoutSlash(const std::string& path) {
  std::string_view view(path);
  while (view.size() > 1 && view.back() == '/') view.remove_suffix(1);
  return Wide(view);
}

bool OpensAsDocument(const std::string& first) {
  return !IsProgram(first) && LaunchWithVerb(first, "open") > 32;
}

}  // namespace

const InterfaceInfo& TWshShell::Info() {
  using S = TWshShell;
  static const InterfaceInfo info =
      InterfaceBuilder<S>("IWshShell3", "{41904400-BE18-11D3-A28B-00104BD35090}")
          .Getter(100, "SpecialFolders", &S::GetSpecialFolders, {Arg("Name")})
          .Getter(200, "Environment", &S::GetEnvironment, {Opt("Type", u"SYSTEM")})
          .Method(1000, "Run", &S::Run, {Arg("Command"), Opt("WindowStyle", int32_t{1}), Opt("WaitOnReturn", false)})
          .Method(1001, "Popup", &S::Popup,
                  {Arg("Text"), Opt("SecondsToWait", int32_t{0}), Opt("Title", u""), Opt("Type", int32_t{0})})
          .Method(1002, "CreateShortcut", &S::CreateShortcut, {Arg("PathLink")})
          .Method(1006, "ExpandEnvironmentStrings", &S::ExpandEnvironmentStrings, {Arg("Src")})
          .Method(2000, "RegRead", &S::RegRead, {Arg("Name")})
          .Method(2001, "RegWrite", &S::RegWrite, {Arg("Name"), Arg("Value"), Opt("Type", u"REG_SZ")})
          .Method(2002, "RegDelete", &S::RegDelete, {Arg("Name")})
          .Method(3001, "Exec", &S::Exec, {Arg("Command")})
          .Property(3002, "CurrentDirectory", &S::GetCurrentDirectory, &S::SetCurrentDirectory)
          .Build();
  return info;
}

int32_t TWshShell::Run(const WideString& Command, int32_t WindowStyle, bool WaitOnReturn) {
  const std::vector<std::string> arguments = SplitCommand(Command);
  if (arguments.size() == 1 && OpensAsDocument(arguments[0])) return 0;
  ChildProcess child = StartProcess(arguments, false);
  if (!WaitOnReturn) {
    ReapWhenDone(child.pid);
    return 0;
  }
  return WaitForChild(child.pid);
}

Ref<IDispatch> TWshShell::Exec(const WideString& Command) {
  return MakeRef<TWshExec>(StartProcess(SplitCommand(Command), true));
}

WideString TWshShell::ExpandEnvironmentStrings(const WideString& Src) { return ExpandVariables(Src, true); }

Ref<IDispatch> TWshShell::GetEnvironment(const WideString& Type) {
  const WideString kind = UpperCase(Type);
  if (kind == u"PROCESS") return MakeRef<TWshEnvironment>(true);
  if (kind == u"SYSTEM" || kind == u"USER" || kind == u"VOLATILE" || kind.empty()) return MakeRef<TWshEnvironment>(false);
  FailDesktop(DesktopError::InvalidCall);
}

WideString TWshShell::GetCurrentDirectory() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error) FailSystemError(error.value(), DesktopError::PathNotFound);
  return Wide(current.string());
}

void TWshShell::SetCurrentDirectory(const WideString& Value) {
  const std::string path = SystemPath(Value.empty() ? WideString(u".") : Value);
  if (::chdir(path.c_str()) != 0) FailSystemError(errno, DesktopError::PathNotFound);
}

WideString TWshShell::GetSpecialFolders(const Variant& Name) {
  Variant name;
  if (Failed(ChangeType(Name, VT_BSTR, name))) FailDesktop(DesktopError::InvalidCall);
  for (const FolderName& folder : kFolderNames) {
    if (SameText(folder.name, name.Text())) return WithoutSlash(SpecialFolderPath(folder.folderId));
  }
  return {};
}

int32_t TWshShell::Popup(const WideString& Text, int32_t SecondsToWait, const WideString& Title, int32_t Type) {
  constexpr int32_t kLongestWait = 30 * 24 * 3600;  // the timer counts milliseconds in 32 bits
  const uint32_t timeout = SecondsToWait > 0 ? static_cast<uint32_t>(std::min(SecondsToWait, kLongestWait)) * 1000 : 0;
  return ShowMessageBox(Utf8(Text), Utf8(Title), static_cast<uint32_t>(Type), timeout);
}

Ref<IDispatch> TWshShell::CreateShortcut(const WideString& PathLink) { return MakeRef<TWshShortcut>(PathLink); }

Variant TWshShell::RegRead(const WideString& Name) { return RegistryRead(Name); }

void TWshShell::RegWrite(const WideString& Name, const Variant& Value, const WideString& Type) {
  RegistryWrite(Name, Value, Type);
}

void TWshShell::RegDelete(const WideString& Name) { RegistryDelete(Name); }

}  // namespace ulka
