#include "web/WebBrowserObject.h"

#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "web/PageDocument.h"

namespace ulka {

const InterfaceInfo& TWebBrowserObject::Info() {
  using T = TWebBrowserObject;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IWebBrowser2", "{D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}", "Web browser control")
          .MainThreadOnly()
          .Method(104, "Navigate", &T::Navigate,
                  {Arg("URL"), Opt("Flags"), Opt("TargetFrameName"), Opt("PostData"), Opt("Headers")})
          .Method(100, "GoBack", &T::GoBack)
          .Method(101, "GoForward", &T::GoForward)
          .Method(-550, "Refresh", &T::Refresh)
          .Method(106, "Stop", &T::Stop)
          .Getter(203, "Document", &T::GetDocument)
          .Getter(211, "LocationURL", &T::GetLocationURL)
          .Getter(210, "LocationName", &T::GetLocationName)
          .Getter(212, "Busy", &T::GetBusy)
          .Build();
  return info;
}

TVekWebBrowser& TWebBrowserObject::View() {
  if (token_.expired()) Fail(msg::kNoWindow);
  return *FView;
}

void TWebBrowserObject::Navigate(const WideString& URL, const Variant&, const Variant&, const Variant&,
                                 const Variant&) {
  View().Navigate(Utf8(URL));
}

void TWebBrowserObject::GoBack() { View().GoBack(); }
void TWebBrowserObject::GoForward() { View().GoForward(); }
void TWebBrowserObject::Refresh() { View().Reload(); }
void TWebBrowserObject::Stop() { View().Stop(); }
WideString TWebBrowserObject::GetLocationURL() { return Wide(View().LocationUrl()); }
WideString TWebBrowserObject::GetLocationName() { return Wide(View().Title()); }
bool TWebBrowserObject::GetBusy() { return View().Busy(); }
Variant TWebBrowserObject::GetDocument() { return PageDocument(View()); }

}  // namespace ulka
