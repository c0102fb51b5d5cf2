#include "data/XmlElement.h"

#include "automation/TextUtils.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {

const InterfaceInfo& TXmlElement::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TXmlElement>("IXmlElement", "{2E917036-3C83-490E-8333-5A0F31441662}",
                                    "Dispatch interface for XML Object")
          .Method(201, "Add", &TXmlElement::Add, {Arg("Tag")})
          .Method(202, "Remove", &TXmlElement::Remove, {Arg("Tag")})
          .Method(203, "RemoveAt", &TXmlElement::RemoveAt, {Arg("Index")})
          .Method(204, "RemoveAll", &TXmlElement::RemoveAll)
          .Method(207, "IndexOf", &TXmlElement::IndexOf, {Arg("Tag")})
          .Method(208, "Exist", &TXmlElement::Exist, {Arg("Tag")})
          .Property(209, "Attr", &TXmlElement::GetAttr, &TXmlElement::SetAttr, {Arg("Name")})
          .Property(210, "Text", &TXmlElement::GetText, &TXmlElement::SetText)
          .Getter(211, "Length", &TXmlElement::GetLength)
          .Getter(213, "Tag", &TXmlElement::GetTag)
          .Method(212, "Tags", &TXmlElement::Tags, {Arg("Index")})
          .Getter(206, "Xml", &TXmlElement::GetXml)
          .Getter(0, "Item", &TXmlElement::GetItem, {Arg("Index")})
          .Method(205, "Select", &TXmlElement::Select, {Arg("Query")})
          .Build();
  return info;
}

const InterfaceInfo& TXmlElementList::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TXmlElementList>("IXmlElementList", "{1609948C-35D5-47B1-BBDC-72041B97AFA4}")
          .Getter(0, "Item", &TXmlElementList::GetItem, {Arg("Index")})
          .Getter(201, "Length", &TXmlElementList::GetLength)
          .Build();
  return info;
}

namespace {

[[noreturn]] void FailNotAnElement() { FailCode(E_NOINTERFACE, msg::kInterfaceNotSupported); }

void CheckName(const WideString& name) {
  if (!IsXmlName(name)) throw EVekError(FormatText(msg::kXmlInvalidName, name), E_FAIL);
}

bool IsOrdinal(const Variant& value) {
  switch (value.Type()) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
      return true;
    default:
      return false;
  }
}

// The attribute named `name`, with a prefix resolved against the namespaces in scope.
xmlAttrPtr FindAttribute(xmlNodePtr element, const std::string& name) {
  const size_t colon = name.find(':');
  if (colon != std::string::npos) {
    const std::string prefix = name.substr(0, colon);
    if (xmlNsPtr ns = xmlSearchNs(element->doc, element, BAD_CAST prefix.c_str()))
      return xmlHasNsProp(element, BAD_CAST name.c_str() + colon + 1, ns->href);
  }
  return xmlHasNsProp(element, BAD_CAST name.c_str(), nullptr);
}

}  // namespace

WideString XmlValueText(const Variant& value) {
  if (value.IsEmpty() || value.IsNull()) return WideString();
  if (value.IsText()) return value.Text();
  Variant text;
  if (Failed(ChangeType(value, VT_BSTR, text))) FailCode(DISP_E_TYPEMISMATCH, msg::kTypeMismatch);
  return text.Text();
}

TXmlElement::TXmlElement(XmlDocumentPtr document, xmlNodePtr element)
    : TVekObjectEx(Info()), FDocument(std::move(document)), Element(element) {}

TXmlElement::~TXmlElement() {
  if (!Element) return;
  std::lock_guard guard(FDocument->WrappersLock());
  if (Element->_private == this) Element->_private = nullptr;
}

// One node has one wrapper while that lives (the node's private pointer names it), so scripts see
// the same object each time they reach the same element.
Ref<TXmlElement> TXmlElement::Wrap(const XmlDocumentPtr& document, xmlNodePtr node) {
  if (!node) return MakeRef<TXmlElement>(document, node);
  if (node->type != XML_ELEMENT_NODE) FailNotAnElement();
  std::lock_guard guard(document->WrappersLock());
  auto* known = static_cast<TXmlElement*>(node->_private);
  if (known && known->TryAddRefCount()) return Ref<TXmlElement>::Adopt(known);
  Ref<TXmlElement> made = MakeRef<TXmlElement>(document, node);
  node->_private = made.get();
  return made;
}

xmlNodePtr TXmlElement::AppendElement(const WideString& tag) {
  CheckName(tag);
  const std::string name = Utf8(tag);
  xmlNodePtr child = xmlNewDocNode(Element->doc, nullptr, BAD_CAST name.c_str(), nullptr);
  if (!child) throw std::bad_alloc();
  return xmlAddChild(Element, child);
}

xmlNodePtr TXmlElement::ChildOrFail(int index) const {
  xmlNodePtr child = Element ? XmlChildAt(Element, index) : nullptr;
  if (!child) FailIndex(index);
  return child;
}

xmlNodePtr TXmlElement::SelectFirst(const WideString& query, bool& found) const {
  std::vector<xmlNodePtr> nodes = XmlSelectNodes(Element, query);
  found = !nodes.empty();
  return found ? nodes.front() : nullptr;
}

Ref<TXmlElement> TXmlElement::Add(const WideString& Tag) {
  if (!Element) return nullptr;
  return Wrap(FDocument, AppendElement(Tag));
}

void TXmlElement::Remove(const WideString& Tag) {
  if (!Element) return;
  bool found = false;
  xmlNodePtr node = SelectFirst(Tag, found);
  if (!found) return;
  if (!node || node->type == XML_ATTRIBUTE_NODE || node->parent != Element)
    FailCode(E_INVALIDARG, msg::kXmlNotAChild);
  FDocument->Detach(node);
}

void TXmlElement::RemoveAt(int32_t Index) {
  if (!Element) return;
  FDocument->Detach(ChildOrFail(Index));
}

void TXmlElement::RemoveAll() {
  if (!Element) return;
  while (Element->last) FDocument->Detach(Element->last);
}

int32_t TXmlElement::IndexOf(const WideString& Tag) {
  if (!Element) return -1;
  int index = 0;
  for (xmlNodePtr child = Element->children; child; child = child->next, ++index)
    if (XmlNodeName(child) == Tag) return index;
  return -1;
}

bool TXmlElement::Exist(const WideString& Tag) {
  if (!Element) return false;
  bool found = false;
  SelectFirst(Tag, found);
  return found;
}

Variant TXmlElement::GetAttr(const WideString& Name) {
  if (!Element) return Variant();
  xmlAttrPtr attribute = FindAttribute(Element, Utf8(Name));
  if (!attribute) return Variant::Null();
  return Variant(XmlNodeText(reinterpret_cast<xmlNodePtr>(attribute)));
}

void TXmlElement::SetAttr(const WideString& Name, const Variant& Value) {
  if (!Element) return;
  CheckName(Name);
  const std::string value = Utf8(XmlValueText(Value));
  const std::string name = Utf8(Name);
  if (xmlAttrPtr existing = FindAttribute(Element, name)) {
    xmlSetNsProp(Element, existing->ns, existing->name, BAD_CAST value.c_str());
  } else {
    xmlSetProp(Element, BAD_CAST name.c_str(), BAD_CAST value.c_str());
  }
}

WideString TXmlElement::GetText() { return Element ? XmlNodeText(Element) : WideString(); }

void TXmlElement::SetText(const WideString& Value) {
  if (Element) SetXmlNodeText(*FDocument, Element, Value);
}

int32_t TXmlElement::GetLength() { return Element ? XmlChildCount(Element) : 0; }

WideString TXmlElement::GetTag() { return Element ? XmlNodeName(Element) : WideString(); }

WideString TXmlElement::Tags(int32_t Index) {
  xmlNodePtr child = Element ? XmlChildAt(Element, Index) : nullptr;
  return child ? XmlNodeName(child) : WideString();
}

WideString TXmlElement::GetXml() { return Element ? XmlNodeMarkup(Element) : WideString(); }

Ref<TXmlElement> TXmlElement::GetItem(const Variant& Index) {
  if (!Element) return nullptr;
  if (IsOrdinal(Index)) {
    const int64_t i = Index.Int();
    return Wrap(FDocument, i < 0 || i > INT32_MAX ? nullptr : XmlChildAt(Element, static_cast<int>(i)));
  }
  const WideString query = XmlValueText(Index);
  bool found = false;
  xmlNodePtr node = SelectFirst(query, found);
  if (found) {
    if (!node) FailNotAnElement();
    return Wrap(FDocument, node);
  }
  return Wrap(FDocument, AppendElement(query));  // reading a missing child by name creates it
}

Ref<TXmlElementList> TXmlElement::Select(const WideString& Query) {
  if (!Element) return nullptr;
  return MakeRef<TXmlElementList>(FDocument, XmlSelectNodes(Element, Query));
}

int TXmlElement::GetMemberId(std::u16string_view name) {
  return IndexOf(WideString(name));
}

int TXmlElement::AddMember(const WideString& name, const Variant& value) {
  // A name that cannot name an element makes no member, so the script sees an unknown one.
  if (!Element || !IsXmlName(name)) return -1;
  const int position = XmlChildCount(Element);
  const WideString text = XmlValueText(value);
  SetXmlNodeText(*FDocument, AppendElement(name), text);
  return position;
}

Variant TXmlElement::GetMember(int id) {
  Ref<TXmlElement> child = Wrap(FDocument, ChildOrFail(id));
  return Variant(static_cast<IDispatch*>(child.get()));
}

void TXmlElement::SetMember(int id, const Variant& value) {
  SetXmlNodeText(*FDocument, ChildOrFail(id), XmlValueText(value));
}

TXmlElementList::TXmlElementList(XmlDocumentPtr document, std::vector<xmlNodePtr> nodes)
    : TVekObject(Info()), FDocument(std::move(document)), List(std::move(nodes)) {}

Ref<TXmlElement> TXmlElementList::GetItem(int32_t Index) {
  if (Index < 0 || static_cast<size_t>(Index) >= List.size()) return TXmlElement::Wrap(FDocument, nullptr);
  if (!List[Index]) FailCode(E_NOINTERFACE, msg::kInterfaceNotSupported);
  return TXmlElement::Wrap(FDocument, List[Index]);
}

}  // namespace ulka
