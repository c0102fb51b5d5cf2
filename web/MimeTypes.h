// The content type of a served file, from its name and, when the name says nothing, its bytes.
#pragma once

#include <string>

#include "automation/Types.h"

namespace ulka {

std::string GuessMimeType(const std::string& url, const Bytes& bytes);

}  // namespace ulka
