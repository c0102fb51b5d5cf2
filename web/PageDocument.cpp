#include "web/PageDocument.h"

#include "web/bridge/PageBridge.h"

namespace ulka {

Variant PageDocument(TVekWebBrowser& view) {
  if (!view.HasView()) return Variant();
  Ref<IDispatch> document = PageBridge::Instance().Document(view.View());
  if (!document) return Variant();
  return Variant(document.get());
}

}  // namespace ulka
