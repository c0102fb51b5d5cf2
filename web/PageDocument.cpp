#include "web/PageDocument.h"

namespace ulka {

// Filled in by the page bridge.
Variant PageDocument(TVekWebBrowser&) { return Variant(); }

}  // namespace ulka
