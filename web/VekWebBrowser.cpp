#include "web/VekWebBrowser.h"

#include <set>

#include "automation/Files.h"
#include "automation/Unicode.h"
#include "web/Inspector.h"
#include "web/LocalFileRules.h"
#include "web/SchemeNames.h"
#include "web/WebContext.h"
#include "web/bridge/PageBridge.h"

namespace ulka {
namespace {

std::set<TVekWebBrowser*>& Views() {
  static std::set<TVekWebBrowser*> views;
  return views;
}

const char kNoScrollSheet[] = "html, body { overflow: hidden !important; }";
const char kNoSelectionSheet[] =
    "* { -webkit-user-select: none; user-select: none; }"
    " input, textarea, [contenteditable], [contenteditable] * { -webkit-user-select: text; user-select: text; }";

void AddSheet(WebKitUserContentManager* content, const char* css) {
  WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(
      css, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(content, sheet);
  webkit_user_style_sheet_unref(sheet);
}

}  // namespace

TVekWebBrowser::TVekWebBrowser() : frame_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0)) {
  g_object_ref_sink(frame_);
}

TVekWebBrowser::~TVekWebBrowser() {
  signals_.clear();
  if (view_) {
    Views().erase(this);
    PageBridge::Instance().Forget(view_);
    webkit_web_view_stop_loading(view_);
    g_object_unref(view_);
  }
  gtk_widget_destroy(frame_);
  g_object_unref(frame_);
}

WebKitWebView* TVekWebBrowser::View() {
  if (!view_) CreateView();
  return view_;
}

void TVekWebBrowser::CreateView() {
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  WebKitSettings* ownSettings = webkit_settings_new();  // never shared: LocalFileRules changes them per view
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SharedWebContext(),
                                       "user-content-manager", content, "settings", ownSettings, nullptr));
  g_object_unref(ownSettings);
  g_object_unref(content);
  g_object_ref_sink(view_);
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  PrepareForInspection(view_);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  ApplyLocalFileRules(view_);
  gtk_box_pack_start(GTK_BOX(frame_), GTK_WIDGET(view_), TRUE, TRUE, 0);
  gtk_widget_show(GTK_WIDGET(view_));
  Views().insert(this);
  PageBridge::Instance().SetExternal(view_, external_.get());
  signals_.emplace_back(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  signals_.emplace_back(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  signals_.emplace_back(view_, "notify::title", G_CALLBACK(OnTitle), this);
  signals_.emplace_back(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
  signals_.emplace_back(view_, "create", G_CALLBACK(OnCreate), this);
  signals_.emplace_back(view_, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
  ApplyOptions();
}

// The style sheets that stand for the options, refreshed when a document starts loading.
void TVekWebBrowser::ApplyOptions() {
  if (!view_ || applied_ == options_) return;
  applied_ = options_;
  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view_);
  webkit_user_content_manager_remove_all_style_sheets(content);
  if (options_ & uiNoScroll) AddSheet(content, kNoScrollSheet);
  if (options_ & uiNoSelection) AddSheet(content, kNoSelectionSheet);
}

void TVekWebBrowser::SetExternal(IDispatch* external) {
  external_ = external;
  if (view_) PageBridge::Instance().SetExternal(view_, external);
}

void TVekWebBrowser::BeginNavigation() {
  navigateComplete_ = false;
  ++navigation_;  // a confirmation still on its way belongs to the page before
}

void TVekWebBrowser::RequestNavigation() {
  BeginNavigation();
  awaitingStart_ = true;  // until the engine starts it, load events belong to the page before
}

void TVekWebBrowser::Navigate(const std::string& url) {
  RequestNavigation();
  ApplyOptions();
  const std::string engineUrl = ToEngineUrl(url);
  BeforeMainFrameLoad(View(), engineUrl);
  PageBridge::Instance().TrustFileDocument(View(), Wide(engineUrl));
  webkit_web_view_load_uri(View(), engineUrl.c_str());
}

bool TVekWebBrowser::LoadFromBytes(const Bytes& html, const std::string& baseUrl) {
  RequestNavigation();
  ApplyOptions();
  GBytesPtr bytes(g_bytes_new(html.data(), html.size()));
  std::string base = baseUrl.empty() ? "about:blank" : ToEngineUrl(baseUrl);
  BeforeMainFrameLoad(View(), base);
  PageBridge::Instance().TrustFileDocument(View(), Wide(base));
  webkit_web_view_load_bytes(View(), bytes.get(), "text/html", nullptr, base.c_str());
  return true;
}

void TVekWebBrowser::GoBack() { webkit_web_view_go_back(View()); }
void TVekWebBrowser::GoForward() { webkit_web_view_go_forward(View()); }
void TVekWebBrowser::Reload() {
  RequestNavigation();
  ApplyOptions();
  webkit_web_view_reload(View());
}
void TVekWebBrowser::Stop() { webkit_web_view_stop_loading(View()); }

std::string TVekWebBrowser::LocationUrl() {
  const char* uri = view_ ? webkit_web_view_get_uri(view_) : nullptr;
  return uri ? FromEngineUrl(uri) : std::string();
}

std::string TVekWebBrowser::Title() { return title_; }

void TVekWebBrowser::SetTitle(const std::string& title) {
  if (title == title_) return;
  title_ = title;
  if (onTitleChange) onTitleChange(title_);
}

bool TVekWebBrowser::Busy() { return view_ && webkit_web_view_is_loading(view_); }

TVekWebBrowser* TVekWebBrowser::FromPageId(uint64_t pageId) {
  // Looked up live: the engine may give a view a new page when it changes processes.
  for (TVekWebBrowser* host : Views()) {
    if (host->view_ && webkit_web_view_get_page_id(host->view_) == pageId) return host;
  }
  return nullptr;
}

uint64_t TVekWebBrowser::PageId() { return webkit_web_view_get_page_id(View()); }

void TVekWebBrowser::ShowProcessEndedPage() {
  static const char page[] =
      "<!DOCTYPE html><html><head><title>Page ended</title></head><body style='font:13px sans-serif'>"
      "<h3>The page stopped working.</h3><p>Its process ended unexpectedly.</p></body></html>";
  webkit_web_view_load_alternate_html(view_, page, "about:blank", nullptr);
}

void TVekWebBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  if (g_getenv("ULKA_TRACE")) g_printerr("load %d %s\n", int(event), webkit_web_view_get_uri(view));
  auto* host = static_cast<TVekWebBrowser*>(self);
  if (event == WEBKIT_LOAD_STARTED) {
    host->ApplyOptions();  // also for navigations the page starts itself
    host->BeginNavigation();
    host->awaitingStart_ = false;
    host->title_.clear();
  }
  if (event == WEBKIT_LOAD_FINISHED && !host->awaitingStart_) host->ConfirmComplete();
}

// The engine reports the end of a load before the page's last updates (its title) have arrived.
// A script round trip to the page comes back after them, so the navigation counts as complete
// only then.
void TVekWebBrowser::ConfirmComplete() {
  struct Pending {
    std::weak_ptr<void> token;
    TVekWebBrowser* host;
    uint64_t navigation;
  };
  auto* pending = new Pending{token_, this, navigation_};
  webkit_web_view_evaluate_javascript(
      view_, "document.title", -1, nullptr, nullptr, nullptr,
      [](GObject* view, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        GObjectPtr<JSCValue> value(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr));
        if (pending->token.expired() || pending->host->navigation_ != pending->navigation) return;
        if (value && jsc_value_is_string(value.get())) {
          GCharPtr title(jsc_value_to_string(value.get()));
          pending->host->SetTitle(title.get());
        }
        pending->host->navigateComplete_ = true;
        if (pending->host->onDocumentComplete) pending->host->onDocumentComplete();
      },
      pending);
}

gboolean TVekWebBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer self) {
  auto* host = static_cast<TVekWebBrowser*>(self);
  if (g_getenv("ULKA_TRACE")) g_printerr("load failed: %s\n", error->message);
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) return FALSE;
  host->awaitingStart_ = false;
  host->navigateComplete_ = true;
  return host->cancelNavigationErrors;
}

void TVekWebBrowser::OnTitle(GObject*, GParamSpec*, gpointer self) {
  auto* host = static_cast<TVekWebBrowser*>(self);
  const char* title = webkit_web_view_get_title(host->view_);
  host->SetTitle(title ? title : "");
}

// Menus only in edit fields, unless the author inspects the application: then every menu, with
// "Inspect Element".
gboolean TVekWebBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult* hit,
                                       gpointer) {
  if (InspectorEnabled()) return FALSE;
  return !webkit_hit_test_result_context_is_editable(hit);  // TRUE: no menu
}

// A page or frame from anywhere else may hand the desktop only web and mail addresses, and only
// when the user asked for it: otherwise any page could start any program that takes a URI.
bool TVekWebBrowser::MayOpenOnDesktop(WebKitWebView* view, WebKitNavigationAction* action, const std::string& uri) {
  const bool gesture = webkit_navigation_action_is_user_gesture(action);
  if (PageBridge::Instance().RequestFromApplication(view, gesture)) return true;
  const std::string scheme = SchemeOf(uri);
  const bool webOrMail = scheme == "http" || scheme == "https" || scheme == "mailto";
  return webOrMail && gesture;
}

GtkWidget* TVekWebBrowser::OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self) {
  auto* host = static_cast<TVekWebBrowser*>(self);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  if (uri && *uri && !MayOpenOnDesktop(view, action, uri)) {
    if (g_getenv("ULKA_TRACE")) g_printerr("refused to open %s from %s\n", uri, webkit_web_view_get_uri(view));
    return nullptr;
  }
  if (uri && *uri) {
    if (host->onNewWindow) host->onNewWindow(FromEngineUrl(uri));
    else ShellOpen(Wide(FromEngineUrl(uri)));
  }
  return nullptr;  // no window of ours for it
}

void TVekWebBrowser::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer self) {
  if (g_getenv("ULKA_TRACE")) g_printerr("web process ended: %d\n", int(reason));
  auto* host = static_cast<TVekWebBrowser*>(self);
  host->awaitingStart_ = false;
  host->navigateComplete_ = true;
  host->ShowProcessEndedPage();
}

}  // namespace ulka
