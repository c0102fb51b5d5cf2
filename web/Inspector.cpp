#include "web/Inspector.h"

#include <cstdio>
#include <cstring>

#include "platform/GObjectPtr.h"
#include "web/SchemeNames.h"

namespace ulka {
namespace {

constexpr char kHandlerName[] = "ulkaConsole";

// Runs first in every frame: reports each console call with its caller's position, and
// uncaught errors, to the host's message handler, then lets the console do its own work.
constexpr char kConsoleScript[] = R"JS((function () {
  var handlers = window.webkit && window.webkit.messageHandlers;
  var handler = handlers && handlers.ulkaConsole;
  if (!handler) return;
  function callerPosition() {
    var frames = String(new Error().stack || "").split("\n");
    var m = /@?([^@]*):(\d+):\d+$/.exec(frames[2] || "");
    return m ? { source: m[1], line: Number(m[2]) } : { source: String(location.href), line: 0 };
  }
  function describe(value) {
    if (typeof value === "string") return value;
    if (value instanceof Error) return String(value);
    try { var json = JSON.stringify(value); return json === undefined ? String(value) : json; }
    catch (e) { return String(value); }
  }
  function post(level, text, source, line) {
    try { handler.postMessage({ level: level, text: text, source: source || "", line: line || 0 }); } catch (e) {}
  }
  ["log", "info", "warn", "error", "debug"].forEach(function (level) {
    var original = console[level];
    console[level] = function () {
      var at = callerPosition();
      post(level, Array.prototype.map.call(arguments, describe).join(" "), at.source, at.line);
      return original.apply(console, arguments);
    };
  });
  // The engine keeps an error's details from scripts of other origins: then only the document is
  // known.
  window.addEventListener("error", function (e) {
    post("error", "Uncaught " + e.message, e.filename || String(location.href), e.lineno);
  });
  // A rejection has no position of its own: an Error's is the top of its stack.
  function errorPosition(error) {
    var top = String((error && error.stack) || "").split("\n")[0];
    var m = /@?([^@]*):(\d+):\d+$/.exec(top);
    return m ? { source: m[1], line: Number(m[2]) } : { source: String(location.href), line: 0 };
  }
  window.addEventListener("unhandledrejection", function (e) {
    var at = errorPosition(e.reason);
    post("error", "Unhandled rejection: " + describe(e.reason), at.source, at.line);
  });
})();)JS";

struct InspectorState {
  bool enabled = false;
  ConsoleSink sink;
};

InspectorState& State() {
  static InspectorState state;
  return state;
}

std::string StringProperty(JSCValue* object, const char* name) {
  GObjectPtr<JSCValue> value(jsc_value_object_get_property(object, name));
  if (!value || jsc_value_is_undefined(value.get()) || jsc_value_is_null(value.get())) return {};
  GCharPtr text(jsc_value_to_string(value.get()));
  return text ? text.get() : "";
}

void Report(const ConsoleMessage& message) {
  if (State().sink) return State().sink(message);
  const std::string line = FormatConsoleMessage(message) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void OnConsoleMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!value || !jsc_value_is_object(value)) return;
  ConsoleMessage message;
  message.level = StringProperty(value, "level");
  message.text = StringProperty(value, "text");
  const std::string source = StringProperty(value, "source");
  message.source = source.empty() ? source : FromEngineUrl(source);
  GObjectPtr<JSCValue> line(jsc_value_object_get_property(value, "line"));
  if (line && jsc_value_is_number(line.get())) message.line = jsc_value_to_int32(line.get());
  Report(message);
}

}  // namespace

void EnableInspector() { State().enabled = true; }

bool InspectorEnabled() {
  if (State().enabled) return true;
  const char* variable = g_getenv("ULKA_INSPECT");
  return variable && *variable && std::strcmp(variable, "0") != 0;
}

void ForgetEngineInspectorUnlessInspecting() {
  if (InspectorEnabled()) return;
  g_unsetenv("WEBKIT_INSPECTOR_SERVER");
  g_unsetenv("WEBKIT_INSPECTOR_HTTP_SERVER");
}

std::string FormatConsoleMessage(const ConsoleMessage& message) {
  std::string where = message.source.empty() ? "page" : message.source;
  if (message.line > 0) where += ":" + std::to_string(message.line);
  return where + ": console." + message.level + ": " + message.text;
}

void SetConsoleSink(ConsoleSink sink) { State().sink = std::move(sink); }

void PrepareForInspection(WebKitWebView* view) {
  const bool on = InspectorEnabled();
  webkit_settings_set_enable_developer_extras(webkit_web_view_get_settings(view), on);
  if (!on) return;
  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
  g_signal_connect(content, (std::string("script-message-received::") + kHandlerName).c_str(),
                   G_CALLBACK(OnConsoleMessage), nullptr);
  webkit_user_content_manager_register_script_message_handler(content, kHandlerName);
  WebKitUserScript* script = webkit_user_script_new(kConsoleScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
}

}  // namespace ulka
