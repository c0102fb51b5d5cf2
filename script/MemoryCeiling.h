// The memory ceiling of the host's script engines: a script that makes the process grow past it
// is stopped with an out-of-memory error instead of eating the machine.
//
// The ceiling is on the host process's resident memory (the web views run in processes of their
// own); when the process passes it, the engine whose heap holds more than half of it is stopped.
// ULKA_SCRIPT_MEMORY_LIMIT_MB sets it in mebibytes; by default it is half the machine's physical
// memory, and 0 switches it off.
#pragma once

#include <cstddef>

namespace ulka {

// Bytes; 0 when there is no ceiling.
size_t ScriptMemoryCeiling();
// Whether the process now holds more resident memory than the ceiling allows.
bool ScriptMemoryExceeded();

}  // namespace ulka
