#include "web/WebContext.h"

#include <gio/gio.h>

#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "platform/GObjectPtr.h"
#include "web/MimeTypes.h"
#include "web/SchemeAccess.h"
#include "web/bridge/PageBridge.h"

namespace ulka {
namespace {

struct ContextState {
  std::string dataKey = "default";
  WebKitWebContext* context = nullptr;
  std::map<std::string, SchemeServer> servers;
};

ContextState& State() {
  static ContextState state;
  return state;
}

// The answer's headers: its type, which scripts read from the headers (WebAssembly streaming
// refuses an answer without "application/wasm" there), and, for a document of another of the
// application's schemes reading this one, that document's origin (the documents of one scheme
// share its origin).
void SetHeaders(WebKitURISchemeResponse* response, const std::string& type, const std::string& allowOrigin) {
  webkit_uri_scheme_response_set_content_type(response, type.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_append(headers, "Content-Type", type.c_str());
  if (!allowOrigin.empty()) {
    soup_message_headers_append(headers, "Access-Control-Allow-Origin", allowOrigin.c_str());
    soup_message_headers_append(headers, "Vary", "Origin");
  }
  webkit_uri_scheme_response_set_http_headers(response, headers);  // takes the headers
}

void FinishWithStatus(WebKitURISchemeRequest* request, unsigned status, const char* reason,
                      const std::string& allowOrigin) {
  GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_data(reason, strlen(reason), nullptr));
  GObjectPtr<WebKitURISchemeResponse> response(webkit_uri_scheme_response_new(stream.get(), strlen(reason)));
  webkit_uri_scheme_response_set_status(response.get(), status, reason);
  SetHeaders(response.get(), "text/plain", allowOrigin);
  webkit_uri_scheme_request_finish_with_response(request, response.get());
}

void FinishWithBytes(WebKitURISchemeRequest* request, Bytes&& bytes, const std::string& url,
                     const std::string& allowOrigin) {
  const std::string type = GuessMimeType(url, bytes);
  auto* owned = new Bytes(std::move(bytes));
  GBytesPtr data(g_bytes_new_with_free_func(owned->data(), owned->size(),
                                            [](gpointer p) { delete static_cast<Bytes*>(p); }, owned));
  GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_bytes(data.get()));
  GObjectPtr<WebKitURISchemeResponse> response(
      webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(g_bytes_get_size(data.get()))));
  SetHeaders(response.get(), type, allowOrigin);
  webkit_uri_scheme_request_finish_with_response(request, response.get());
}

// One guard for the engine's callback: nothing thrown gets past it.
void ServeRequest(WebKitURISchemeRequest* request, gpointer) {
  if (g_getenv("ULKA_TRACE")) g_printerr("serve %s\n", webkit_uri_scheme_request_get_uri(request));
  const std::string scheme = webkit_uri_scheme_request_get_scheme(request);
  const std::string url = webkit_uri_scheme_request_get_uri(request);
  const char* method = webkit_uri_scheme_request_get_http_method(request);
  if (method && std::string(method) != "GET") {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "Only GET is served");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  const SchemeAccess access = JudgeSchemeRequest(request);
  if (!access.allowed) {
    if (g_getenv("ULKA_TRACE")) g_printerr("refused %s: %s\n", url.c_str(), access.reason.c_str());
    return FinishWithStatus(request, 403, "Forbidden", {});
  }
  std::optional<Bytes> bytes;
  try {
    auto found = State().servers.find(scheme);
    if (found != State().servers.end() && found->second) bytes = found->second(url);
  } catch (...) {
    bytes.reset();
  }
  if (!bytes) return FinishWithStatus(request, 404, "Not Found", access.allowOrigin);
  FinishWithBytes(request, std::move(*bytes), url, access.allowOrigin);
}

void RegisterWithEngine(WebKitWebContext* context, const std::string& scheme) {
  webkit_web_context_register_uri_scheme(context, scheme.c_str(), ServeRequest, nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
  // Local: only documents of local schemes (ours, and file pages) may load or embed its files,
  // so a page from the network cannot read the application through script, image or fetch.
  webkit_security_manager_register_uri_scheme_as_local(security, scheme.c_str());
}

WebKitWebContext* MakeContext() {
  const std::string key = State().dataKey;
  std::string data = std::string(g_get_user_data_dir()) + "/ulka/" + key;
  std::string cache = std::string(g_get_user_cache_dir()) + "/ulka/" + key;
  WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
  WebKitWebContext* context =
      WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", manager, nullptr));
  g_object_unref(manager);
  webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  PageBridge::Instance().Attach(context);
  for (const auto& [scheme, server] : State().servers) RegisterWithEngine(context, scheme);
  return context;
}

}  // namespace

std::string SafeFolderName(const std::string& text) {
  std::string name;
  for (unsigned char c : text) name += (g_ascii_isalnum(c) || c == '-' || c == '_' || c == '.') ? char(c) : '_';
  while (!name.empty() && name.front() == '.') name.erase(0, 1);
  if (name.empty()) name = "default";
  if (name.size() > 120) name = name.substr(name.size() - 120);
  return name;
}

void SetWebsiteDataKey(const std::string& key) {
  if (!State().context) State().dataKey = SafeFolderName(key);
}

std::string WebsiteDataKey() { return State().dataKey; }

WebKitWebContext* SharedWebContext() {
  if (!State().context) State().context = MakeContext();
  return State().context;
}

void ServeScheme(const std::string& scheme, SchemeServer server) {
  auto [it, added] = State().servers.try_emplace(scheme);
  it->second = std::move(server);
  if (added && State().context) RegisterWithEngine(State().context, scheme);
}

}  // namespace ulka
