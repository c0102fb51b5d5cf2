// A per-user key store in place of the platform's registry, for the shell stand-in's RegRead,
// RegWrite and RegDelete. Names are written as scripts write them: a root ("HKCU",
// "HKEY_CURRENT_USER", "HKLM", ...), keys separated by "\", then a value name; a name ending in
// "\" is a key (its default value). Keys and value names match without regard to case. Every
// root lives in one key file, $XDG_CONFIG_HOME/ulka/registry.conf (nothing is shared between
// users); changes are written whole and atomically, under a lock that other processes respect.
#pragma once

#include "automation/Variant.h"

namespace ulka {

// REG_SZ and REG_EXPAND_SZ (expanded) give text, REG_DWORD an integer, REG_BINARY an array of
// byte values. Fails with "Unable to open registry key "%s" for reading." when the value (or key)
// does not exist.
Variant RegistryRead(const WideString& name);
// `type` is REG_SZ (the default), REG_EXPAND_SZ, REG_DWORD or REG_BINARY (an integer, stored as
// four bytes, or a byte array). Missing keys on the way are made.
void RegistryWrite(const WideString& name, const Variant& value, const WideString& type);
// Removes a value, or a key without subkeys.
void RegistryDelete(const WideString& name);

}  // namespace ulka
