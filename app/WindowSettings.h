// The settings file of an application: an XML document whose "window" element keeps the main
// window's placement between runs, and whose root element scripts may keep data of their own
// under.
#pragma once

#include "automation/Dispatch.h"
#include "data/Xml.h"

namespace ulka {

class TBrowser;

// The file ".settings" in the folder [company/]name/ of the documents folder; empty without a
// name.
WideString SettingsPath(const WideString& documents, const WideString& company, const WideString& name);

class TWindowSettings {
 public:
  TWindowSettings();

  // Reads the file; a missing or broken file leaves a new document with the root "settings".
  void Load(const WideString& path);
  const WideString& Path() const { return path_; }
  Ref<IDispatch> Root();

  // Puts the main window where the document says: maximized, or at the saved bounds.
  void Restore(TBrowser& browser);
  // Records the window's placement and writes the document (only when it has a path).
  void Save(TBrowser& browser);

 private:
  Ref<TXml> document_;
  WideString path_;
};

}  // namespace ulka
