// Who may read an answer of the application's schemes. The engine keeps documents from the
// network away from local schemes for most kinds of load, but not all of them (a synchronous
// request gets through), so every request is judged here as well, from what the engine says about
// the requester: the origin of a cross-origin request and the referring document.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace ulka {

struct SchemeAccess {
  bool allowed = false;
  // The origin to name in Access-Control-Allow-Origin (a document of another of the
  // application's schemes reading this one), or empty.
  std::string allowOrigin;
  // Why a refused request was refused, for the trace.
  std::string reason;
};

SchemeAccess JudgeSchemeRequest(WebKitURISchemeRequest* request);

}  // namespace ulka
