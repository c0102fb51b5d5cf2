// The document of the page a view shows, as an object host scripts can call (through the page
// bridge); Empty when the page has no bridge.
#pragma once

#include "automation/Variant.h"
#include "web/VekWebBrowser.h"

namespace ulka {

Variant PageDocument(TVekWebBrowser& view);

}  // namespace ulka
