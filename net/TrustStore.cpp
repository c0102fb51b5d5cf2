#include "net/TrustStore.h"

#include <cstdlib>

#include "automation/Unicode.h"

namespace ulka {

WideString DefaultCaFile() {
  const char* file = std::getenv("ULKA_CA_FILE");
  return file ? Wide(file) : WideString();
}

}  // namespace ulka
