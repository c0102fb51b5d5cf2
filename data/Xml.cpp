#include "data/Xml.h"

#include "automation/TextUtils.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {

const InterfaceInfo& TXml::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TXml>("IXml", "{220910FC-DF7E-47A5-86D9-B3E321F45ABB}",
                             "Dispatch interface for XML Object")
          .Method(201, "CreateXML", &TXml::CreateXML, {Arg("Tag")})
          .Method(202, "Load", &TXml::Load, {Arg("FileName"), Opt("Tag", u"")})
          .Method(203, "LoadXML", &TXml::LoadXML, {Arg("Xml")})
          .Method(204, "Save", &TXml::Save, {Arg("FileName")})
          .Getter(205, "Root", &TXml::GetRoot)
          .Getter(206, "Xml", &TXml::GetXml)
          .Build();
  return info;
}

namespace {

std::span<const uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

TXml::TXml() : TVekObject(Info()), Document(std::make_shared<XmlDocument>()) {}

bool TXml::Replace(XmlDocumentPtr parsed) {
  const bool ok = parsed != nullptr;
  Document = ok ? std::move(parsed) : std::make_shared<XmlDocument>();
  return ok;
}

void TXml::CreateXML(const WideString& Tag) {
  const std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?><" + Utf8(Tag) + "/>";
  Replace(XmlDocument::Parse(AsBytes(text), true));
}

bool TXml::Load(const WideString& FileName, const WideString& Tag) {
  bool ok = false;
  Bytes bytes;
  bool exists = false;
  try {
    exists = ReadFileBytes(FileName, bytes);
  } catch (const EVekError&) {
    exists = true;  // there, but unreadable: a read failure, not a missing file
  }
  if (exists) ok = Replace(XmlDocument::Parse(bytes, false));
  if (!ok && !Tag.empty()) CreateXML(Tag);
  return ok;
}

bool TXml::LoadXML(const WideString& Xml) { return Replace(XmlDocument::Parse(AsBytes(Utf8(Xml)), true)); }

void TXml::Save(const WideString& FileName) {
  const Bytes bytes = Document->Serialize(true);
  const bool serialized = !bytes.empty() || !Document->Doc()->children;
  if (!serialized || !WriteFileBytes(FileName, bytes)) {
    throw EVekError(FormatText(msg::kXmlSaveFailed, FileName), E_FAIL);
  }
}

Ref<TXmlElement> TXml::GetRoot() { return TXmlElement::Wrap(Document, Document->Root()); }

WideString TXml::GetXml() {
  const Bytes bytes = Document->Serialize(false);
  return Wide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace ulka
