#include "web/bridge/PageBridge.h"

#include <unistd.h>

#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "automation/ThreadQueue.h"
#include "automation/Unicode.h"
#include "web/bridge/BridgeListener.h"
#include "web/bridge/ExtensionLocation.h"
#include "web/bridge/HostConnection.h"

namespace ulka {

namespace {

using bridge::HostConnection;

// The scheme of a URL, upper-cased; empty when the text has none.
WideString SchemeOf(const WideString& url) {
  size_t colon = url.find(u':');
  if (colon == WideString::npos || colon == 0) return {};
  for (size_t i = 0; i < colon; ++i) {
    char16_t c = url[i];
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    if (!letter && !(i > 0 && other)) return {};
  }
  return UpperCase(url.substr(0, colon));
}

// A file URL as the engine and the host may each write it: without its fragment, unescaped.
WideString ComparableFileUrl(const WideString& url) {
  std::string text = Utf8(url.substr(0, url.find(u'#')));
  std::unique_ptr<char, decltype(&g_free)> unescaped(g_uri_unescape_string(text.c_str(), nullptr), g_free);
  return Wide(unescaped ? unescaped.get() : text.c_str());
}

// The documents of the view's page as far as opening things on the desktop goes: whether any frame
// holds a document from elsewhere, and whether the user last acted in one of the application's.
struct PageFrames {
  std::map<uint64_t, bool> trusted;  // frame id -> the frame's document is the application's
  bool foreign = false;              // some frame held a document from elsewhere
  bool lastActionTrusted = false;
};

struct ViewState {
  Ref<IDispatch> external;
  std::set<WideString> openedFiles;  // file pages the host itself opened in the view
  PageFrames frames;                 // of the current main document
};

class BridgeState {
 public:
  static BridgeState& Get() {
    static BridgeState* state = new BridgeState;  // lives as long as the process
    return *state;
  }

  void Attach(WebKitWebContext* context) {
    if (!listener_.Listening() &&
        !listener_.Start([this](int fd) { Accept(fd); })) {
      g_warning("ulka: the page bridge could not listen; pages get no window.external");
      return;
    }
    if (contexts_.count(context)) return;
    contexts_.insert(context);
    g_object_weak_ref(G_OBJECT(context), +[](gpointer self, GObject* gone) {
      static_cast<BridgeState*>(self)->contexts_.erase(reinterpret_cast<WebKitWebContext*>(gone));
    }, this);
    const ExtensionLocation& extension = WebExtensionLocation();
    if (g_getenv("ULKA_TRACE")) g_printerr("web extension: %s\n", extension.directory.c_str());
    if (extension.directory.empty())
      g_warning("ulka: %s; pages get no window.external", extension.error.c_str());
    else
      webkit_web_context_set_web_extensions_directory(context, extension.directory.c_str());
    g_signal_connect(context, "initialize-web-extensions", G_CALLBACK(+[](WebKitWebContext* c, gpointer self) {
                       static_cast<BridgeState*>(self)->GiveInitialisationData(c);
                     }),
                     this);
  }

  void TrustScheme(const WideString& scheme) {
    if (!scheme.empty()) trusted_.insert(UpperCase(scheme));
  }

  void UntrustScheme(const WideString& scheme) {
    auto found = trusted_.find(UpperCase(scheme));
    if (found != trusted_.end()) trusted_.erase(found);
  }

  void TrustFileDocument(WebKitWebView* view, const WideString& url) {
    if (SchemeOf(url) != u"FILE") return;
    Track(view);
    views_[view].openedFiles.insert(ComparableFileUrl(url));
  }

  bool ShowsTrustedDocument(WebKitWebView* view) {
    const char* shown = webkit_web_view_get_uri(view);
    return shown && IsTrusted(view, Wide(shown));
  }

  bool ShowsTrustedFilePage(WebKitWebView* view) {
    const char* shown = webkit_web_view_get_uri(view);
    return shown && SchemeOf(Wide(shown)) == u"FILE" && IsTrusted(view, Wide(shown));
  }

  // Trust follows where a document came from: a scheme that one of our handlers serves now (the
  // engine serves none of those itself), or a file page that the host opened in this view.
  bool IsTrusted(WebKitWebView* view, const WideString& url) const {
    const WideString scheme = SchemeOf(url);
    if (scheme == u"FILE") {
      auto it = views_.find(view);
      return it != views_.end() && it->second.openedFiles.count(ComparableFileUrl(url)) > 0;
    }
    return trusted_.count(scheme) > 0;
  }

  void SetExternal(WebKitWebView* view, IDispatch* external) {
    Track(view);
    views_[view].external = external;
    if (auto connection = ConnectionOf(view); connection && connection->DocumentTrusted()) {
      connection->Post<bridge::SetExternalMsg>({Variant(external)});
    }
  }

  bool PageAwaitsHost(WebKitWebView* view) {
    auto connection = ConnectionOf(view);
    return connection && connection->ServingRequest();
  }

  Ref<IDispatch> Document(WebKitWebView* view) {
    auto connection = ConnectionOf(view);
    if (!connection) return nullptr;
    bridge::GetDocumentMsg::Reply reply;
    if (Failed(connection->Call<bridge::GetDocumentMsg>({}, reply)) || !reply.document.IsObject()) return nullptr;
    return reply.document.Dispatch();
  }

  void Forget(WebKitWebView* view) {
    const uint64_t pageId = webkit_web_view_get_page_id(view);
    auto it = views_.find(view);
    if (it != views_.end()) {
      Ref<IDispatch> external = std::move(it->second.external);
      views_.erase(it);
      g_object_weak_unref(G_OBJECT(view), &BridgeState::OnViewGone, this);
    }
    CloseConnectionsOf(pageId);
  }

 private:
  BridgeState() = default;

  void GiveInitialisationData(WebKitWebContext* context) {
    GVariant* data = g_variant_new("(ss)", listener_.Address().c_str(), listener_.Secret().c_str());
    webkit_web_context_set_web_extensions_initialization_user_data(context, data);
  }

  void Track(WebKitWebView* view) {
    if (views_.count(view)) return;
    views_[view];
    // A page kept for going back would come back holding objects its successor released: such
    // views load their pages again instead.
    webkit_settings_set_enable_page_cache(webkit_web_view_get_settings(view), FALSE);
    g_object_weak_ref(G_OBJECT(view), &BridgeState::OnViewGone, this);
  }

  static void OnViewGone(gpointer self, GObject* gone) {
    auto& state = *static_cast<BridgeState*>(self);
    state.views_.erase(reinterpret_cast<WebKitWebView*>(gone));
  }

  void Accept(int fd) {
    Prune();
    HostConnection::Hooks hooks;
    hooks.checkSecret = [this](const WideString& secret) { return Utf8(secret) == listener_.Secret(); };
    hooks.newDocument = [this](uint64_t pageId, uint64_t frameId, const WideString& url, Variant& external) {
      return NewDocument(pageId, frameId, url, external);
    };
    hooks.frameDocument = [this](uint64_t pageId, uint64_t frameId, const WideString& origin, const WideString& url) {
      return FrameDocument(pageId, frameId, origin, url);
    };
    hooks.userActivation = [this](uint64_t pageId, uint64_t frameId) { UserActivation(pageId, frameId); };
    auto connection = std::make_shared<HostConnection>(fd, std::move(hooks));
    connection->Start();
    connections_.push_back(std::move(connection));
  }

  // Both the web process and the view must say the document is trusted: a web process taken
  // over by a network page cannot claim to show an application page.
  bool NewDocument(uint64_t pageId, uint64_t frameId, const WideString& url, Variant& external) {
    WebKitWebView* view = ViewOfPage(pageId);
    if (!view) return false;
    const bool trusted = IsTrusted(view, url) && ShowsTrustedDocument(view);
    views_[view].frames = PageFrames{{{frameId, trusted}}, !trusted, false};
    if (!trusted) return false;
    if (IDispatch* object = views_[view].external.get()) external = Variant(object);
    return true;
  }

  // A frame's document counts by its origin, so that about:blank and srcdoc frames count as the
  // document that made them. File documents name no file in their origin: only the file pages
  // the host opened itself count, by address.
  bool FrameDocument(uint64_t pageId, uint64_t frameId, const WideString& origin, const WideString& url) {
    WebKitWebView* view = ViewOfPage(pageId);
    if (!view) return false;
    const bool local = SchemeOf(origin) == u"FILE" || origin == u"null";
    const bool trusted = local ? SchemeOf(url) == u"FILE" && IsTrusted(view, url) : IsTrusted(view, origin);
    PageFrames& frames = views_[view].frames;
    frames.trusted[frameId] = trusted;
    frames.foreign = frames.foreign || !trusted;
    return trusted;
  }

  void UserActivation(uint64_t pageId, uint64_t frameId) {
    WebKitWebView* view = ViewOfPage(pageId);
    if (!view) return;
    PageFrames& frames = views_[view].frames;
    auto found = frames.trusted.find(frameId);
    frames.lastActionTrusted = found != frames.trusted.end() && found->second;
  }

 public:
  // A request of the page counts as the application's when the page holds nothing but the
  // application's documents, or when the user's action that led to it was in one of them.
  bool RequestFromApplication(WebKitWebView* view, bool userGesture) {
    if (!ShowsTrustedDocument(view)) return false;
    auto it = views_.find(view);
    if (it == views_.end() || !it->second.frames.foreign) return true;
    return userGesture && it->second.frames.lastActionTrusted;
  }

 private:

  WebKitWebView* ViewOfPage(uint64_t pageId) {
    for (auto& [view, state] : views_) {
      if (webkit_web_view_get_page_id(view) == pageId) return view;
    }
    return nullptr;
  }

  // The newest live connection of the view's page.
  std::shared_ptr<HostConnection> ConnectionOf(WebKitWebView* view) {
    Prune();
    const uint64_t pageId = webkit_web_view_get_page_id(view);
    for (auto it = connections_.rbegin(); it != connections_.rend(); ++it) {
      if ((*it)->Identified() && (*it)->PageId() == pageId) return *it;
    }
    return nullptr;
  }

  void CloseConnectionsOf(uint64_t pageId) {
    std::vector<std::shared_ptr<HostConnection>> closing;
    for (auto& c : connections_) {
      if (c->Identified() && c->PageId() == pageId) closing.push_back(c);
    }
    for (auto& c : closing) c->Close();
    Prune();
  }

  void Prune() {
    std::erase_if(connections_, [](const std::shared_ptr<HostConnection>& c) { return c->IsClosed(); });
  }

  bridge::BridgeListener listener_;
  std::set<WebKitWebContext*> contexts_;
  std::multiset<WideString> trusted_;  // one entry per live registration
  std::map<WebKitWebView*, ViewState> views_;
  std::vector<std::shared_ptr<HostConnection>> connections_;
};

}  // namespace

PageBridge& PageBridge::Instance() {
  static PageBridge bridge;
  return bridge;
}

// Views, connections and the objects lent to pages belong to the main thread; other threads get
// nothing.
bool OnBridgeThread() { return IsMainThread(); }

void PageBridge::Attach(WebKitWebContext* context) {
  if (OnBridgeThread()) BridgeState::Get().Attach(context);
}

void PageBridge::TrustScheme(const WideString& scheme) {
  if (OnBridgeThread()) BridgeState::Get().TrustScheme(scheme);
}

void PageBridge::UntrustScheme(const WideString& scheme) {
  if (OnBridgeThread()) BridgeState::Get().UntrustScheme(scheme);
}

void PageBridge::TrustFileDocument(WebKitWebView* view, const WideString& url) {
  if (OnBridgeThread()) BridgeState::Get().TrustFileDocument(view, url);
}

bool PageBridge::ShowsTrustedDocument(WebKitWebView* view) {
  return OnBridgeThread() && BridgeState::Get().ShowsTrustedDocument(view);
}

bool PageBridge::ShowsTrustedFilePage(WebKitWebView* view) {
  return OnBridgeThread() && BridgeState::Get().ShowsTrustedFilePage(view);
}

bool PageBridge::RequestFromApplication(WebKitWebView* view, bool userGesture) {
  return OnBridgeThread() && BridgeState::Get().RequestFromApplication(view, userGesture);
}

bool PageBridge::IsApplicationDocument(WebKitWebView* view, const WideString& url) {
  return OnBridgeThread() && BridgeState::Get().IsTrusted(view, url);
}

void PageBridge::SetExternal(WebKitWebView* view, IDispatch* external) {
  if (OnBridgeThread()) BridgeState::Get().SetExternal(view, external);
}

bool PageBridge::PageAwaitsHost(WebKitWebView* view) {
  return OnBridgeThread() && BridgeState::Get().PageAwaitsHost(view);
}

Ref<IDispatch> PageBridge::Document(WebKitWebView* view) {
  return OnBridgeThread() ? BridgeState::Get().Document(view) : nullptr;
}

void PageBridge::Forget(WebKitWebView* view) {
  if (OnBridgeThread()) BridgeState::Get().Forget(view);
}

}  // namespace ulka
