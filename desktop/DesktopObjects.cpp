#include "desktop/DesktopObjects.h"

#include "automation/Unicode.h"
#include "desktop/AdoStream.h"
#include "desktop/FileSystemObject.h"
#include "desktop/ScriptingDictionary.h"
#include "desktop/WshShell.h"

namespace ulka {

Ref<IDispatch> CreateDesktopObject(const WideString& className) {
  if (SameText(className, u"Scripting.FileSystemObject")) return MakeRef<TFileSystemObject>();
  if (SameText(className, u"WScript.Shell")) return MakeRef<TWshShell>();
  if (SameText(className, u"Scripting.Dictionary")) return MakeRef<TScriptingDictionary>();
  if (SameText(className, u"ADODB.Stream")) return MakeRef<TAdoStream>();
  return nullptr;
}

}  // namespace ulka
