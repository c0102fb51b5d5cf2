// Paths as scripts write them for the file-system object: POSIX paths in which "\" counts as
// "/", and the name arithmetic of the platform's object (file name, base name, extension, parent,
// absolute path, joining). These work on the text alone; nothing here touches the disk.
#pragma once

#include <string>
#include <string_view>

#include "automation/Types.h"

namespace ulka {

// The path with every "\" turned into "/".
WideString ScriptPath(std::u16string_view path);

// The path for the system (UTF-8, "\" as "/"). Fails with "Bad file name or number" for a NUL
// character, a path longer than the system takes, or a name in it that is too long.
std::string SystemPath(std::u16string_view path);

// The last name of the path, trailing "/" ignored ("" for "/").
WideString FileNameOf(std::u16string_view path);
// The last name without its extension; a leading "." starts a name, not an extension.
WideString BaseNameOf(std::u16string_view path);
// The text after the last "." of the last name ("" when there is none).
WideString ExtensionOf(std::u16string_view path);
// The path without its last name and the "/" before it ("/" for "/a", "" for "a" and "/").
WideString ParentOf(std::u16string_view path);
// The absolute path: relative to the current folder, "." and ".." resolved by name, no "/" at
// the end except for "/" itself.
WideString AbsolutePathOf(std::u16string_view path);
// Joins a path and a name with one "/" between them.
WideString BuildPathOf(std::u16string_view path, std::u16string_view name);

}  // namespace ulka
