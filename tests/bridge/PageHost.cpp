#include "tests/bridge/PageHost.h"

#include <libsoup/soup.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/bridge/ProbeObject.h"
#include "web/bridge/PageBridge.h"

namespace ulka::test {

namespace {

std::string PagesDir() {
  const char* source = std::getenv("ULKA_SOURCE_DIR");
  return std::string(source ? source : ULKA_SOURCE_DIR) + "/tests/bridge/pages";
}

bool ReadPage(const std::string& name, std::string& content) {
  if (name.find("..") != std::string::npos) return false;
  std::ifstream in(PagesDir() + "/" + name, std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  content = text.str();
  return true;
}

const char* MimeOf(const std::string& name) {
  return name.ends_with(".js") ? "text/javascript" : "text/html";
}

void ServeScheme(WebKitURISchemeRequest* request, gpointer) {
  std::string name = webkit_uri_scheme_request_get_path(request);
  while (!name.empty() && name[0] == '/') name.erase(0, 1);
  std::string content;
  if (!ReadPage(name, content)) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GBytes* bytes = g_bytes_new(content.data(), content.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(content.size()), MimeOf(name));
  g_object_unref(stream);
  g_bytes_unref(bytes);
}

void ServeHttp(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer) {
  std::string content;
  std::string name = path;
  while (!name.empty() && name[0] == '/') name.erase(0, 1);
  if (!ReadPage(name, content)) {
    soup_server_message_set_status(message, 404, nullptr);
    return;
  }
  soup_server_message_set_status(message, 200, nullptr);
  soup_server_message_set_response(message, MimeOf(name), SOUP_MEMORY_COPY, content.data(), content.size());
}

WebKitWebContext* theContext = nullptr;
SoupServer* theServer = nullptr;
std::string httpBase;

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const gint64 end = g_get_monotonic_time() + gint64{timeoutMs} * 1000;
  guint tick = g_timeout_add(10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool reached = false;
  while (!(reached = done()) && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  return reached;
}

void PageHost::InitOnce() {
  if (theContext) return;
  // A thread-sanitizer build's web extension needs the sanitizer's runtime in the web processes,
  // which inherit this environment; the shell that starts the tests cannot take it.
  if (const char* runtime = std::getenv("ULKA_WEB_PROCESS_PRELOAD")) setenv("LD_PRELOAD", runtime, 1);
  gtk_init(nullptr, nullptr);
  theContext = webkit_web_context_new_ephemeral();
  webkit_web_context_register_uri_scheme(theContext, "ulka", ServeScheme, nullptr, nullptr);
  PageBridge::Instance().Attach(theContext);
  PageBridge::Instance().TrustScheme(u"ulka");

  theServer = soup_server_new(nullptr, nullptr);
  soup_server_add_handler(theServer, nullptr, ServeHttp, nullptr, nullptr);
  GError* error = nullptr;
  if (soup_server_listen_local(theServer, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
    GSList* uris = soup_server_get_uris(theServer);
    if (uris) {
      char* text = g_uri_to_string(static_cast<GUri*>(uris->data));
      httpBase = text;
      g_free(text);
    }
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  } else {
    g_error_free(error);
  }
}

WebKitWebContext* PageHost::Context() { return theContext; }

std::string PageHost::HttpUrl(const std::string& page) { return httpBase.empty() ? "" : httpBase + page; }

PageHost::PageHost() : external_(MakeRef<TRtlObject>()) {
  InitOnce();
  window_ = gtk_offscreen_window_new();
  gtk_window_set_default_size(GTK_WINDOW(window_), 400, 300);
  view_ = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(theContext));
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer) {
                     if (reason != WEBKIT_WEB_PROCESS_TERMINATED_BY_API) g_printerr("web process ended (%d)\n", reason);
                   }),
                   nullptr);
  g_signal_connect(view_, "load-failed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, char* uri, GError* error, gpointer) {
                     g_printerr("load of %s failed: %s\n", uri, error->message);
                     return FALSE;
                   }),
                   nullptr);
  gtk_widget_show_all(window_);
  external_->AddMember(u"probe", Variant(static_cast<IDispatch*>(MakeRef<TBridgeProbe>().get())));
  PageBridge::Instance().SetExternal(view_, external_.get());
}

PageHost::~PageHost() {
  Close();
  external_->Members().Clear();
}

void PageHost::Close() {
  if (!window_) return;
  PageBridge::Instance().Forget(view_);
  gtk_widget_destroy(window_);
  window_ = nullptr;
  view_ = nullptr;
}

std::string PageHost::Title() const {
  const char* title = view_ ? webkit_web_view_get_title(view_) : nullptr;
  return title ? title : "";
}

std::string PageHost::Load(const std::string& url, int timeoutMs) {
  // The title of the previous page must not count: wait for this load to finish.
  int finished = 0;
  gulong handler = g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer count) {
                                      if (event == WEBKIT_LOAD_FINISHED) ++*static_cast<int*>(count);
                                    }),
                                    &finished);
  webkit_web_view_load_uri(view_, url.c_str());
  WaitUntil([&] { return finished > 0 && !Title().empty() && Title() != "running"; }, timeoutMs);
  g_signal_handler_disconnect(view_, handler);
  return Title();
}

namespace {

// Expando members are reached through the expando interface, others through the type library.
HRESULT MemberId(IDispatch* object, const std::u16string& name, DISPID& id) {
  if (IDispatchEx* ex = object->DispatchEx()) return ex->GetDispID(name, 0, id);
  return GetDispatchId(object, name, id);
}

HRESULT InvokeMember(IDispatch* object, DISPID id, uint16_t flags, DispParams& params, Variant* result,
                     ExcepInfo& excep) {
  if (IDispatchEx* ex = object->DispatchEx()) return ex->InvokeEx(id, flags, params, result, &excep, nullptr);
  return object->Invoke(id, flags, params, result, &excep);
}

}  // namespace

Variant GetMember(IDispatch* object, const std::u16string& name) {
  DISPID id;
  Variant result;
  ExcepInfo excep;
  DispParams none;
  if (Succeeded(MemberId(object, name, id))) InvokeMember(object, id, DISPATCH_PROPERTYGET, none, &result, excep);
  return result;
}

HRESULT CallMember(IDispatch* object, const std::u16string& name, std::vector<Variant> args, Variant& result,
                   ExcepInfo& excep) {
  DISPID id;
  HRESULT hr = MemberId(object, name, id);
  if (Failed(hr)) return hr;
  DispParams params{args, {}};
  return InvokeMember(object, id, DISPATCH_METHOD, params, &result, excep);
}

}  // namespace ulka::test
