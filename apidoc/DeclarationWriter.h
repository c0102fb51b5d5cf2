// TypeScript declarations (ulka.d.ts) of every interface in the type library, with the binding's
// conventions: callable objects for default members, indexed puts as an extra last argument,
// Uint8Array for byte arrays, the global `rtl` of host scripts and `window.external` of pages.
#pragma once

#include <string>
#include <vector>

#include "automation/TypeInfo.h"

namespace ulka::apidoc {

std::string WriteDeclarations(const std::vector<const InterfaceInfo*>& interfaces);

}  // namespace ulka::apidoc
