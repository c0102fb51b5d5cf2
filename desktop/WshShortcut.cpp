#include "desktop/WshShortcut.h"

#include <glib.h>
#include <sys/stat.h>

#include <memory>

#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "desktop/DesktopErrors.h"
#include "desktop/FsPaths.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

struct KeyFileDeleter {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

constexpr char kGroup[] = "Desktop Entry";

WideString LauncherName(const WideString& pathLink) {
  const WideString path = AbsolutePathOf(pathLink);
  const WideString lower = LowerCase(path);
  if (lower.ends_with(u".desktop")) return path;
  if (lower.ends_with(u".lnk") || lower.ends_with(u".url")) return path.substr(0, path.size() - 4) + u".desktop";
  FailCode(DesktopErrorCode(DesktopError::InvalidCall), msg::kShortcutName);
}

bool NeedsQuotes(const std::string& argument) {
  return argument.empty() || argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

std::string QuoteArgument(const std::string& argument) {
  std::string quoted;
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return NeedsQuotes(argument) ? "\"" + quoted + "\"" : quoted;
}

std::string EscapePercents(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    escaped += c;
    if (c == '%') escaped += '%';
  }
  return escaped;
}

std::string KeyString(GKeyFile* file, const char* key) {
  GCharPtr value(g_key_file_get_string(file, kGroup, key, nullptr));
  return value ? value.get() : std::string();
}

bool IsUrl(const WideString& target) {
  GCharPtr scheme(g_uri_parse_scheme(Utf8(target).c_str()));
  return scheme && !g_file_test(Utf8(target).c_str(), G_FILE_TEST_EXISTS);
}

// Arguments for the Arguments property: each quoted when it needs it, as the shell reads them.
WideString JoinArguments(char** arguments) {
  std::string joined;
  for (char** a = arguments; a && *a; ++a) {
    if (!joined.empty()) joined += ' ';
    GCharPtr quoted(g_shell_quote(*a));
    joined += NeedsQuotes(*a) ? quoted.get() : *a;
  }
  return Wide(joined);
}

// The Arguments text as separate arguments, split as the shell reads words (nothing expanded).
std::vector<std::string> SplitArguments(const WideString& text) {
  std::vector<std::string> arguments;
  if (text.find_first_not_of(u" \t") == WideString::npos) return arguments;
  char** parsed = nullptr;
  if (text.find(u'\0') != WideString::npos || !g_shell_parse_argv(Utf8(text).c_str(), nullptr, &parsed, nullptr))
    FailDesktop(DesktopError::InvalidCall);
  for (char** a = parsed; *a; ++a) arguments.emplace_back(*a);
  g_strfreev(parsed);
  return arguments;
}

}  // namespace

std::string LauncherExec(const std::string& program, const std::vector<std::string>& arguments) {
  std::string exec = QuoteArgument(program);
  for (const std::string& argument : arguments) exec += " " + QuoteArgument(argument);
  return EscapePercents(exec);
}

const InterfaceInfo& TWshShortcut::Info() {
  using S = TWshShortcut;
  static const InterfaceInfo info =
      InterfaceBuilder<S>("IWshShortcut", "{D93F29E8-F724-4FD4-8769-39C4B9605B56}")
          .Getter(0, "FullName", &S::GetFullName)
          .Property(1, "Arguments", &S::GetArguments, &S::SetArguments)
          .Property(2, "Description", &S::GetDescription, &S::SetDescription)
          .Property(3, "Hotkey", &S::GetHotkey, &S::SetHotkey)
          .Property(4, "IconLocation", &S::GetIconLocation, &S::SetIconLocation)
          .Property(5, "TargetPath", &S::GetTargetPath, &S::SetTargetPath)
          .Property(6, "WindowStyle", &S::GetWindowStyle, &S::SetWindowStyle)
          .Property(7, "WorkingDirectory", &S::GetWorkingDirectory, &S::SetWorkingDirectory)
          .Method(8, "Save", &S::Save)
          .Build();
  return info;
}

TWshShortcut::TWshShortcut(const WideString& pathLink) : TVekObject(Info()), FFullName(LauncherName(pathLink)) {
  SystemPath(FFullName);
  LoadExisting();
}

void TWshShortcut::LoadExisting() {
  KeyFilePtr file(g_key_file_new());
  if (!g_key_file_load_from_file(file.get(), Utf8(FFullName).c_str(), G_KEY_FILE_NONE, nullptr)) return;
  FDescription = Wide(KeyString(file.get(), "Comment"));
  FWorkingDirectory = Wide(KeyString(file.get(), "Path"));
  FIconLocation = Wide(KeyString(file.get(), "Icon"));
  if (KeyString(file.get(), "Type") == "Link") {
    FTargetPath = Wide(KeyString(file.get(), "URL"));
    return;
  }
  const std::string line = KeyString(file.get(), "Exec");
  std::string exec;
  for (const char* c = line.c_str(); *c; ++c) {  // "%%" is one "%"
    exec += *c;
    if (c[0] == '%' && c[1] == '%') ++c;
  }
  char** parsed = nullptr;
  if (exec.empty() || !g_shell_parse_argv(exec.c_str(), nullptr, &parsed, nullptr)) return;
  std::unique_ptr<char*, decltype(&g_strfreev)> owned(parsed, g_strfreev);
  FTargetPath = Wide(parsed[0]);
  FArguments = JoinArguments(parsed + 1);
}

void TWshShortcut::Save() {
  if (FTargetPath.empty()) FailDesktop(DesktopError::InvalidCall);
  KeyFilePtr file(g_key_file_new());
  g_key_file_set_string(file.get(), kGroup, "Name", Utf8(BaseNameOf(FFullName)).c_str());
  if (IsUrl(FTargetPath)) {
    g_key_file_set_string(file.get(), kGroup, "Type", "Link");
    g_key_file_set_string(file.get(), kGroup, "URL", Utf8(FTargetPath).c_str());
  } else {
    const std::vector<std::string> arguments = SplitArguments(FArguments);
    g_key_file_set_string(file.get(), kGroup, "Type", "Application");
    g_key_file_set_string(file.get(), kGroup, "Exec", LauncherExec(Utf8(FTargetPath), arguments).c_str());
    if (!FWorkingDirectory.empty()) g_key_file_set_string(file.get(), kGroup, "Path", Utf8(FWorkingDirectory).c_str());
    g_key_file_set_boolean(file.get(), kGroup, "Terminal", FALSE);
  }
  if (!FDescription.empty()) g_key_file_set_string(file.get(), kGroup, "Comment", Utf8(FDescription).c_str());
  const WideString icon = FIconLocation.substr(0, FIconLocation.find(u','));
  if (!icon.empty()) g_key_file_set_string(file.get(), kGroup, "Icon", Utf8(icon).c_str());
  gsize length = 0;
  GCharPtr text(g_key_file_to_data(file.get(), &length, nullptr));
  const std::string path = SystemPath(FFullName);
  if (!WriteFileBytes(FFullName, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.get()), length)))
    FailDesktop(DesktopError::PathFileAccess);
  ::chmod(path.c_str(), 0755);  // desktops start only launchers marked as programs
}

}  // namespace ulka
