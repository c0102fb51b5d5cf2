// What the launcher puts on `window.external` (app/Ulka.cpp): the members every application page
// finds there, beside whatever the start-up script adds.
#pragma once

#include <span>
#include <string>

namespace ulka::apidoc {

struct ExternalMember {
  const char* name;
  const char* interfaceName;  // the interface of the object, or null for text
  bool always;                // false: only when the settings tag asks for it
  const char* help;
};

std::span<const ExternalMember> ExternalMembers();

// `interface External` (merged with the DOM's) and the start-up script's global `external`.
std::string ExternalObjectDeclarations();

}  // namespace ulka::apidoc
