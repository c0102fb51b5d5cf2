// The web process extension: each page connects to the host's page bridge, and the main frame of
// each new document asks the host for its `window.external`.
#include <webkit2/webkit-web-extension.h>

#include <map>
#include <memory>
#include <string>

#include "automation/Unicode.h"
#include "script/JsBinding.h"
#include "web/extension/FrameWatch.h"
#include "web/extension/PageLink.h"

namespace {

using ulka::bridge::PageLink;

struct ExtensionState {
  std::string address;
  std::string secret;
  std::map<WebKitWebPage*, std::shared_ptr<PageLink>> pages;
};

ExtensionState& State() {
  static ExtensionState* state = new ExtensionState;  // lives as long as the web process
  return *state;
}

void OnPageGone(gpointer, GObject* page) {
  auto& pages = State().pages;
  auto it = pages.find(reinterpret_cast<WebKitWebPage*>(page));
  if (it == pages.end()) return;
  std::shared_ptr<PageLink> link = std::move(it->second);
  pages.erase(it);
  link->Close();
}

void ConnectPage(WebKitWebPage* page) {
  auto link = PageLink::Connect(State().address, State().secret, webkit_web_page_get_id(page));
  if (!link) return;
  State().pages[page] = std::move(link);
  g_object_weak_ref(G_OBJECT(page), OnPageGone, nullptr);
}

// Every frame's new document is announced to the host and watched for the user's actions; the
// main frame's may get `window.external`.
void StartDocument(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame) {
  auto it = State().pages.find(page);
  if (it == State().pages.end()) return;
  std::shared_ptr<PageLink> link = it->second;
  const char* uri = webkit_frame_get_uri(frame);
  const uint64_t frameId = webkit_frame_get_id(frame);
  if (webkit_frame_is_main_frame(frame)) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    JSGlobalContextRef context = webkit_frame_get_javascript_context_for_script_world(frame, world);
    G_GNUC_END_IGNORE_DEPRECATIONS
    link->OnNewDocument(context, ulka::Wide(uri ? uri : ""), frameId);
  } else {
    link->OnFrameDocument(frameId, ulka::Wide(ulka::bridge::FrameOrigin(frame)), ulka::Wide(uri ? uri : ""));
  }
  std::weak_ptr<PageLink> weak = link;
  ulka::bridge::WatchUserActions(frame, [weak, frameId] {
    if (auto live = weak.lock()) live->OnUserActivation(frameId);
  });
}

// Signal handlers are C frames: nothing may escape them.
template <class F>
void Guarded(F&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  Guarded([page] { ConnectPage(page); });
}

void OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame, gpointer) {
  Guarded([&] { StartDocument(world, page, frame); });
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               const GVariant* data) {
  if (!data || !g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE("(ss)"))) return;
  const char* address = nullptr;
  const char* secret = nullptr;
  g_variant_get(const_cast<GVariant*>(data), "(&s&s)", &address, &secret);
  State().address = address;
  State().secret = secret;
  ulka::AllowOwnBufferArrays(false);  // a web process keeps every typed array in the caged heap
  g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared", G_CALLBACK(OnWindowObjectCleared),
                   nullptr);
}
