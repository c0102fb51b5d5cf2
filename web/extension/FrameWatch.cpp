#include "web/extension/FrameWatch.h"

#include <jsc/jsc.h>

#include <memory>

namespace ulka::bridge {
namespace {

WebKitScriptWorld* WatchWorld() {
  static WebKitScriptWorld* world = webkit_script_world_new_with_name("ulka-watch");
  return world;
}

// Listeners on the window in the capture phase, added before any page script runs, see an event
// first. Only events the engine counts towards a user gesture matter.
constexpr char kWatchScript[] = R"JS((function (report) {
  ["keydown", "keyup", "keypress", "mousedown", "mouseup", "click", "dblclick", "auxclick", "contextmenu",
   "pointerdown", "pointerup", "touchstart", "touchend", "dragend", "drop"].forEach(function (type) {
    window.addEventListener(type, function (event) { if (event.isTrusted) report(); }, true);
  });
}))JS";

struct Watcher {
  std::function<void()> onAction;
};

void OnAction(gpointer data) {
  try {
    static_cast<Watcher*>(data)->onAction();
  } catch (...) {
    // a C frame: nothing may escape
  }
}

}  // namespace

std::string FrameOrigin(WebKitFrame* frame) {
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, WatchWorld());
  if (!context) return "null";
  JSCValue* value = jsc_context_evaluate(context, "self.origin", -1);
  std::string origin = "null";
  if (value && jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    origin = text;
    g_free(text);
  }
  if (value) g_object_unref(value);
  g_object_unref(context);
  return origin;
}

void WatchUserActions(WebKitFrame* frame, std::function<void()> onAction) {
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, WatchWorld());
  if (!context) return;
  JSCValue* install = jsc_context_evaluate(context, kWatchScript, -1);
  auto* watcher = new Watcher{std::move(onAction)};
  JSCValue* report = jsc_value_new_function(
      context, nullptr, G_CALLBACK(OnAction), watcher, [](gpointer w) { delete static_cast<Watcher*>(w); },
      G_TYPE_NONE, 0);
  if (install && jsc_value_is_function(install)) {
    JSCValue* result = jsc_value_function_call(install, JSC_TYPE_VALUE, report, G_TYPE_NONE);
    if (result) g_object_unref(result);
  }
  g_object_unref(report);
  if (install) g_object_unref(install);
  g_object_unref(context);
}

}  // namespace ulka::bridge
