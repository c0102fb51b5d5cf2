// One element of an XML document, with its child elements readable and writable as members,
// and the result list of a query.
#pragma once

#include <vector>

#include "automation/VekObjectEx.h"
#include "data/XmlDocument.h"

namespace ulka {

class TXmlElementList;

// An element wrapper may have no element (an empty document's root, an index past the end):
// then every member does nothing and answers the empty value of its type.
class TXmlElement : public TVekObjectEx {
 public:
  static const InterfaceInfo& Info();
  TXmlElement(XmlDocumentPtr document, xmlNodePtr element);
  ~TXmlElement() override;

  // A wrapper over `node`; none for null, and a failure when the node is not an element.
  static Ref<TXmlElement> Wrap(const XmlDocumentPtr& document, xmlNodePtr node);

  Ref<TXmlElement> Add(const WideString& Tag);
  void Remove(const WideString& Tag);
  void RemoveAt(int32_t Index);
  void RemoveAll();
  int32_t IndexOf(const WideString& Tag);
  bool Exist(const WideString& Tag);
  Variant GetAttr(const WideString& Name);
  void SetAttr(const WideString& Name, const Variant& Value);
  WideString GetText();
  void SetText(const WideString& Value);
  int32_t GetLength();
  WideString GetTag();
  WideString Tags(int32_t Index);
  WideString GetXml();
  Ref<TXmlElement> GetItem(const Variant& Index);
  Ref<TXmlElementList> Select(const WideString& Query);

  // Child nodes stand in for expando members.
  int GetMemberId(std::u16string_view name) override;
  int AddMember(const WideString& name, const Variant& value) override;
  Variant GetMember(int id) override;
  void SetMember(int id, const Variant& value) override;
  void DeleteMember(int id) override {}

  xmlNodePtr Node() const { return Element; }

 private:
  xmlNodePtr AppendElement(const WideString& tag);
  xmlNodePtr ChildOrFail(int index) const;
  xmlNodePtr SelectFirst(const WideString& query, bool& found) const;

  XmlDocumentPtr FDocument;  // keeps the node's document alive
  xmlNodePtr Element;
};

class TXmlElementList : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TXmlElementList(XmlDocumentPtr document, std::vector<xmlNodePtr> nodes);

  Ref<TXmlElement> GetItem(int32_t Index);
  int32_t GetLength() { return static_cast<int32_t>(List.size()); }

 private:
  XmlDocumentPtr FDocument;
  std::vector<xmlNodePtr> List;
};

// A Variant as the text the DOM makes of it (Empty and Null give the empty text).
WideString XmlValueText(const Variant& value);

}  // namespace ulka
