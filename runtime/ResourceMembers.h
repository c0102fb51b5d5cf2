// What the root object's UpdateRes and LoadRes do: automation values in, the resource engine
// underneath.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "automation/Variant.h"
#include "runtime/ResourceTree.h"

namespace ulka {

// The handle the host uses for its own module: the address its executable is mapped at.
uint64_t HostModuleHandle();

// A resource type or name given by a script: a text, or an integer (or boolean) below 65536.
std::optional<ResId> VarToResId(const Variant& value);

// Writes one resource into an executable; Data without bytes deletes a data resource. Icon types
// (3 and 14) take an icon file and write an icon group. False, raising nothing, when the type or
// name is unusable, the file cannot be updated, or the icon file is inconsistent.
bool UpdateResource(const std::string& fileName, const Variant& resType, const Variant& resName,
                    const Variant& data, int32_t language);

// The bytes of a module's resource as a byte array; Empty when there are none.
Variant LoadResource(const Variant& module, const Variant& resName, const Variant& resType,
                     int32_t language);

// The same lookup on a file, for callers that are not scripts.
std::optional<std::vector<uint8_t>> LoadResourceFromFile(const std::string& fileName,
                                                         const ResId& type, const ResId& name,
                                                         uint32_t language);
// The icon file the icon group `name` of an executable stands for; empty when it has none.
std::vector<uint8_t> LoadIconFileFromFile(const std::string& fileName, const ResId& name);
// Whether the file has the resource, without copying its bytes.
bool HasResourceInFile(const std::string& fileName, const ResId& type, const ResId& name, uint32_t language);

}  // namespace ulka
