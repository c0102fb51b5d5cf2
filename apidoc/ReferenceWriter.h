// The browsable API reference: one static HTML page per interface, and an index with the
// binding's conventions, the globals and every interface.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "automation/TypeInfo.h"

namespace ulka::apidoc {

// File name ("index.html", "IZip.html") to page text.
std::map<std::string, std::string> ReferencePages(const std::vector<const InterfaceInfo*>& interfaces);

}  // namespace ulka::apidoc
