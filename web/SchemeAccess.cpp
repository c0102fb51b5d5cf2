#include "web/SchemeAccess.h"

#include "automation/Unicode.h"
#include "web/SchemeNames.h"
#include "web/bridge/PageBridge.h"

namespace ulka {
namespace {

std::string Header(WebKitURISchemeRequest* request, const char* name) {
  SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
  const char* value = headers ? soup_message_headers_get_one(headers, name) : nullptr;
  return value ? value : "";
}

// "ulka://" names every document of the scheme "ulka".
std::string OriginOfScheme(const std::string& scheme) { return scheme + "://"; }

// A requester named by `url` (an origin or a document's address) is one of the application's own
// documents shown in `view`. Local file documents send their origin as "null" or "file://",
// which names no file: those count only while the view shows a file page the host opened.
bool IsApplicationRequester(WebKitWebView* view, const std::string& url) {
  const std::string scheme = SchemeOf(url);
  if (scheme == "blob") return IsApplicationRequester(view, url.substr(5));  // blob:ORIGIN/uuid
  if (url == "null" || url == "file://") return view && PageBridge::Instance().ShowsTrustedFilePage(view);
  if (scheme == "file") return view && PageBridge::Instance().IsApplicationDocument(view, Wide(url));
  if (scheme.empty() || !IsRegisteredScheme(scheme)) return false;
  return !view || PageBridge::Instance().IsApplicationDocument(view, Wide(url));
}

// Documents without an address of their own (about:blank, about:srcdoc) refer as their parent
// does, when they refer at all; their own name says nothing about who asks.
bool NamesNoDocument(const std::string& referrer) { return SchemeOf(referrer) == "about"; }

}  // namespace

SchemeAccess JudgeSchemeRequest(WebKitURISchemeRequest* request) {
  SchemeAccess access;
  WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
  const std::string origin = Header(request, "Origin");
  const std::string referrer = Header(request, "Referer");
  if (!origin.empty() && !IsApplicationRequester(view, origin)) {
    access.reason = "requested by " + origin;
    return access;
  }
  if (!referrer.empty() && !NamesNoDocument(referrer) && !IsApplicationRequester(view, referrer)) {
    access.reason = "referred by " + referrer;
    return access;
  }
  access.allowed = true;
  const std::string own = OriginOfScheme(webkit_uri_scheme_request_get_scheme(request));
  if (!origin.empty() && origin != own) access.allowOrigin = origin;
  return access;
}

}  // namespace ulka
