// An XML document for scripts: load, parse, save and reach its root element.
#pragma once

#include "automation/VekObject.h"
#include "data/XmlDocument.h"
#include "data/XmlElement.h"

namespace ulka {

class TXml : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TXml();

  void CreateXML(const WideString& Tag);
  bool Load(const WideString& FileName, const WideString& Tag);
  bool LoadXML(const WideString& Xml);
  void Save(const WideString& FileName);
  Ref<TXmlElement> GetRoot();
  WideString GetXml();

 private:
  // Takes a parse result; a failed parse leaves an empty document, as the DOM does.
  bool Replace(XmlDocumentPtr parsed);

  XmlDocumentPtr Document;
};

}  // namespace ulka
