#include "desktop/ChildProcess.h"

#include <glib.h>
#include <sys/wait.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "automation/Unicode.h"
#include "desktop/DesktopErrors.h"
#include "desktop/Environment.h"
#include "platform/GObjectPtr.h"
#include "platform/MainLoop.h"

namespace ulka {
namespace {

// The words of a command line by the shell's quoting rules and nothing else: blanks separate
// words; a backslash outside quotes takes the next character as it is; single quotes keep
// everything up to the next single quote; within double quotes a backslash escapes only $, `, ",
// \ and a line break. "#" is an ordinary character, so "prog file #1.txt" has three words.
// Nothing when a quote is left open.
std::optional<std::vector<std::string>> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\') {
      if (++i < line.size() && line[i] != '\n') word += line[i];
    } else if (c == '\'') {
      const size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) return std::nullopt;
      word.append(line, i + 1, end - i - 1);
      i = end;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() && std::string_view("$`\"\\\n").find(line[i + 1]) != std::string_view::npos) {
          if (line[++i] != '\n') word += line[i];
        } else {
          word += line[i];
        }
      }
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

}  // namespace

std::vector<std::string> SplitCommand(std::u16string_view command) {
  if (command.find(u'\0') != std::u16string_view::npos) FailDesktop(DesktopError::InvalidCall);
  std::optional<std::vector<std::string>> words = SplitWords(Utf8(command));
  if (!words) FailDesktop(DesktopError::InvalidCall);
  std::vector<std::string> arguments;
  for (const std::string& word : *words) arguments.push_back(Utf8(ExpandVariables(Wide(word), false)));
  if (arguments.empty() || arguments[0].empty()) FailDesktop(DesktopError::InvalidCall);
  return arguments;
}

bool IsProgram(const std::string& name) {
  GCharPtr found(g_find_program_in_path(name.c_str()));
  return found && !g_file_test(found.get(), G_FILE_TEST_IS_DIR);
}

ChildProcess StartProcess(const std::vector<std::string>& arguments, bool pipes) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const GSpawnFlags flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                     (pipes ? 0 : G_SPAWN_CHILD_INHERITS_STDIN));
  GPid pid = 0;
  int input = -1, output = -1, error = -1;
  GError* failure = nullptr;
  gboolean started;
  {
    std::lock_guard guard(EnvironmentLock());  // the child takes the environment as it is now
    started = g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid,
                                       pipes ? &input : nullptr, pipes ? &output : nullptr,
                                       pipes ? &error : nullptr, &failure);
  }
  GErrorPtr owned(failure);
  if (!started) {
    if (g_error_matches(failure, G_SPAWN_ERROR, G_SPAWN_ERROR_ACCES) ||
        g_error_matches(failure, G_SPAWN_ERROR, G_SPAWN_ERROR_PERM))
      FailDesktop(DesktopError::PermissionDenied);
    FailProgramNotFound();
  }
  ChildProcess child;
  child.pid = pid;
  child.input = UniqueFd(input);
  child.output = UniqueFd(output);
  child.error = UniqueFd(error);
  return child;
}

int ExitCodeOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

int WaitForChild(pid_t pid) {
  if (PlatformReady() && OnMainThread()) {
    // The watch reaps the child and may outlive this wait when the application ends meanwhile.
    struct Outcome {
      bool done = false;
      int status = 0;
    };
    auto outcome = std::make_shared<Outcome>();
    g_child_watch_add_full(
        G_PRIORITY_DEFAULT, pid,
        +[](GPid, int status, gpointer data) {
          auto& o = **static_cast<std::shared_ptr<Outcome>*>(data);
          o.status = status;
          o.done = true;
        },
        new std::shared_ptr<Outcome>(outcome), +[](gpointer data) { delete static_cast<std::shared_ptr<Outcome>*>(data); });
    RunUntil([&] { return outcome->done; });
    while (!outcome->done) g_main_context_iteration(nullptr, TRUE);
    return ExitCodeOf(outcome->status);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return ExitCodeOf(status);
}

std::optional<int> PollChild(pid_t pid) {
  int status = 0;
  pid_t done = ::waitpid(pid, &status, WNOHANG);
  if (done == pid) return ExitCodeOf(status);
  if (done < 0 && errno == ECHILD) return -1;  // reaped by someone else
  return std::nullopt;
}

void ReapWhenDone(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace ulka
