// Which certificates the network clients trust: the system's store, unless a script names a file
// of its own (the CAFile member), or the ULKA_CA_FILE environment variable names one for every
// new client.
#pragma once

#include "automation/Types.h"

namespace ulka {

// The file ULKA_CA_FILE names, read when a client is created; empty for the system's store.
WideString DefaultCaFile();

}  // namespace ulka
