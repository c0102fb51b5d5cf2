#include "web/LocalFileRules.h"

#include "web/SchemeNames.h"

namespace ulka {
namespace {

bool SharedOriginsOn(WebKitWebView* view) {
  return webkit_settings_get_allow_file_access_from_file_urls(webkit_web_view_get_settings(view));
}

// The engine reads the setting when it makes a document, so this must run before a file page's
// document exists; the setting reaches the web process ahead of the decision that lets it load.
void KeepFilesApart(WebKitWebView* view) {
  if (SharedOriginsOn(view)) webkit_settings_set_allow_file_access_from_file_urls(webkit_web_view_get_settings(view), FALSE);
}

gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
  if (!uri || SchemeOf(uri) != "file") return FALSE;
  if (webkit_response_policy_decision_is_main_frame_main_resource(response)) {
    KeepFilesApart(view);
    return FALSE;
  }
  if (!SharedOriginsOn(view)) return FALSE;
  if (g_getenv("ULKA_TRACE")) g_printerr("refused a file page in a frame of an application page: %s\n", uri);
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

}  // namespace

void ApplyLocalFileRules(WebKitWebView* view) {
  webkit_settings_set_allow_file_access_from_file_urls(webkit_web_view_get_settings(view), TRUE);
  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), nullptr);
}

void BeforeMainFrameLoad(WebKitWebView* view, const std::string& engineUrl) {
  if (SchemeOf(engineUrl) == "file") KeepFilesApart(view);
}

}  // namespace ulka
