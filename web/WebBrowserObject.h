// The automation object of a view's control: navigation, history and the current location, for
// scripts that hold `IBrowser.Browser`.
#pragma once

#include <memory>

#include "automation/VekObject.h"
#include "web/VekWebBrowser.h"

namespace ulka {

class TWebBrowserObject : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TWebBrowserObject(TVekWebBrowser& view) : TVekObject(Info()), FView(&view), token_(view.Token()) {}

  void Navigate(const WideString& URL, const Variant& Flags, const Variant& TargetFrameName,
                const Variant& PostData, const Variant& Headers);
  void GoBack();
  void GoForward();
  void Refresh();
  void Stop();
  WideString GetLocationURL();
  WideString GetLocationName();
  bool GetBusy();
  Variant GetDocument();

 private:
  TVekWebBrowser& View();

  TVekWebBrowser* FView;
  std::weak_ptr<void> token_;
};

}  // namespace ulka
