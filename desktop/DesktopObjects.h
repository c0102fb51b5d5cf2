// The platform objects scripts create by name, and the stand-ins this desktop has for them:
// "Scripting.FileSystemObject", "WScript.Shell", "Scripting.Dictionary" and "ADODB.Stream"
// (names compared without regard to case). docs/desktop-objects.md lists their members.
#pragma once

#include "automation/Dispatch.h"

namespace ulka {

// A new object of that name; null for any other name.
Ref<IDispatch> CreateDesktopObject(const WideString& className);

}  // namespace ulka
