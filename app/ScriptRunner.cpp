// ulka-script FILE [ARGS...]: runs a host script with the root object as `rtl`, without a window.
// FILE is consumed as the host consumes its application argument, so rtl.Params(1) is the first
// of ARGS. Script errors are printed; the exit code is the one rtl.Quit set, non-zero after an
// error when no code was set.
#include <glib.h>
#include <unistd.h>

#include <atomic>

#include <clocale>
#include <cstdio>

#include "automation/CodePages.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Process.h"
#include "automation/TypeInfo.h"
#include "automation/Unicode.h"
#include "platform/MainLoop.h"
#include "runtime/AppHooks.h"
#include "runtime/Rtl.h"
#include "script/JsBinding.h"
#include "script/JsHandles.h"
#include "platform/MainLoop.h"
#include "script/Script.h"
#include "script/Thread.h"

namespace ulka {
namespace {

std::atomic<bool> scriptFailed{false};
GMainLoop* mainLoop = nullptr;

void PrintScriptError(const ScriptError& error) {
  scriptFailed = true;
  std::string description = Utf8(error.description);
  std::fprintf(stderr, msg::kScriptErrorFormat, description.c_str(), error.line, error.character);
  std::fputc('\n', stderr);
}

void InstallLoopHooks() {
  JoinMainLoopToCallQueue();
  AppHooks& hooks = Hooks();
  hooks.run = [] {
    mainLoop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(mainLoop);
    g_main_loop_unref(mainLoop);
    mainLoop = nullptr;
  };
  hooks.idle = [](uint32_t ticks) {
    gint64 until = g_get_monotonic_time() + static_cast<gint64>(ticks) * 1000;
    do {
      while (g_main_context_iteration(nullptr, FALSE)) {
      }
    } while (g_get_monotonic_time() <= until);
  };
  hooks.quit = [] {
    if (mainLoop) g_main_loop_quit(mainLoop);
    return true;
  };
}

// console.log and console.error: what batch scripts print.
JSValueRef PrintArguments(FILE* stream, JSContextRef ctx, size_t argc, const JSValueRef argv[]) {
  std::string line;
  for (size_t i = 0; i < argc; ++i) {
    if (i) line += ' ';
    line += Utf8(JsValueText(ctx, argv[i]));
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
  return JSValueMakeUndefined(ctx);
}

JSValueRef ConsoleLog(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*) {
  return PrintArguments(stdout, ctx, argc, argv);
}

JSValueRef ConsoleError(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[], JSValueRef*) {
  return PrintArguments(stderr, ctx, argc, argv);
}

void InstallConsole(JSGlobalContextRef ctx) {
  if (!ctx) return;
  JSObjectRef console = JSObjectMake(ctx, nullptr, nullptr);
  auto add = [&](const char* name, JSObjectCallAsFunctionCallback fn) {
    JsString jsName(name);
    JSObjectSetProperty(ctx, console, jsName, JSObjectMakeFunctionWithCallback(ctx, jsName, fn),
                        kJSPropertyAttributeNone, nullptr);
  };
  add("log", ConsoleLog);
  add("info", ConsoleLog);
  add("error", ConsoleError);
  add("warn", ConsoleError);
  JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), JsString("console"), console,
                      kJSPropertyAttributeDontEnum, nullptr);
}

// Threads still running when the script ends are stopped and waited for; those that do not end
// are left behind, and so is the rest of the program's clean-up.
void EndScriptThreads(int code) {
  constexpr uint32_t kGraceMs = 5000;
  const size_t left = FinishScriptThreads(kGraceMs);
  if (left == 0) return;
  std::fprintf(stderr, "ulka-script: %zu script thread(s) did not stop within %u s; exiting anyway\n", left,
               kGraceMs / 1000);
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(code == 0 && scriptFailed ? 1 : code);
}

WideString FolderOf(const WideString& path) {
  size_t slash = path.rfind(u'/');
  return slash == WideString::npos ? WideString() : path.substr(0, slash + 1);
}

int RunScriptFile(const WideString& fileName) {
  Bytes bytes;
  try {
    if (!ReadFileBytes(fileName, bytes)) {
      std::fprintf(stderr, "ulka-script: cannot open %s\n", Utf8(fileName).c_str());
      return 2;
    }
  } catch (const EVekError& e) {
    std::fprintf(stderr, "ulka-script: cannot read %s: %s\n", Utf8(fileName).c_str(), e.what());
    return 2;
  }
  Ref<TRtl> rtl = MakeRef<TRtl>();
  rtl->FOnScriptError = PrintScriptError;
  rtl->ShiftParams(1);
  Ref<IDispatch> made = rtl->Script(WideString());
  auto* script = static_cast<TScript*>(made.get());
  script->SetPath(FolderOf(fileName));
  InstallConsole(script->Host().Context());
  script->AddCode(DecodeText(bytes, 65001));
  const int code = script->Run();
  EndScriptThreads(code);  // errors of threads count too
  script->Close();
  return code == 0 && scriptFailed ? 1 : code;
}

}  // namespace
}  // namespace ulka

namespace {

constexpr char kUsage[] =
    "usage: ulka-script FILE [ARGS...]\n"
    "       ulka-script --help | --version\n"
    "\n"
    "Runs a host script without a window, with the runtime's root object as `rtl`\n"
    "(rtl.Params(1) is the first of ARGS). Script errors are printed on standard error; the exit\n"
    "code is the one rtl.Quit set, 1 after an error.\n";

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("ulka-script %s\n", ulka::Utf8(ulka::TypeLibrary::Version()).c_str());
    return 0;
  }
  if (argc < 2 || (first.size() > 1 && first[0] == '-')) {
    if (argc >= 2) std::fprintf(stderr, "ulka-script: unknown option %s (a script named so: ./%s)\n", first.c_str(),
                                first.c_str());
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::vector<ulka::WideString> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(ulka::Wide(argv[i]));
  ulka::SetCommandLine(std::move(arguments));
  ulka::MarkMainThread();  // dialogs and message boxes open on demand, on this thread
  ulka::InstallLoopHooks();
  return ulka::RunScriptFile(ulka::Wide(argv[1]));
}
