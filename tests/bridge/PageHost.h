// A web view on test pages: the "ulka" scheme serves tests/bridge/pages, a loopback HTTP server
// serves the same files to an untrusted origin, and the page bridge is attached to the context.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "automation/VekObjectEx.h"

namespace ulka::test {

// Serves the main context until `done` answers true or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

class PageHost {
 public:
  static void InitOnce();
  static WebKitWebContext* Context();
  static std::string HttpUrl(const std::string& page);

  PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;
  ~PageHost();

  WebKitWebView* View() const { return view_; }
  TRtlObject& External() { return *external_; }

  // Loads the URL and waits for the page to set a title other than "running"; answers it.
  std::string Load(const std::string& url, int timeoutMs = 20000);
  std::string Title() const;
  // Destroys the view (as closing its window does).
  void Close();

 private:
  GtkWidget* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  Ref<TRtlObject> external_;
};

// Reads an expando member of an object by name, or calls it.
Variant GetMember(IDispatch* object, const std::u16string& name);
HRESULT CallMember(IDispatch* object, const std::u16string& name, std::vector<Variant> args, Variant& result,
                   ExcepInfo& excep);

}  // namespace ulka::test
