// The libxml2 side of the XML objects: one shared document with the nodes removed from it, and
// the node operations the wrappers need (names, text, serialization, XPath queries).
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "automation/Types.h"

namespace ulka {

// A parsed document. Every wrapper over one of its nodes shares it, and nodes taken out of the
// tree stay allocated until the document goes, so a wrapper never holds a freed node.
class XmlDocument {
 public:
  XmlDocument();  // an empty document
  explicit XmlDocument(xmlDocPtr doc);
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Null when the bytes are not well-formed XML. `fromText` parses UTF-8 from a script's
  // text, whatever encoding the declaration names; the named encoding is kept for saving.
  static std::shared_ptr<XmlDocument> Parse(std::span<const uint8_t> bytes, bool fromText);

  xmlDocPtr Doc() const { return doc_; }
  xmlNodePtr Root() const { return xmlDocGetRootElement(doc_); }

  // Takes a node out of the tree without freeing it.
  void Detach(xmlNodePtr node);

  // Guards the nodes' private pointers, which name their element wrappers.
  std::mutex& WrappersLock() { return wrappersLock_; }

  // The whole document; `forFile` writes it in its declared encoding, indented, and only when
  // the result loads again. Empty when the encoding cannot be written or the result would not
  // load.
  Bytes Serialize(bool forFile) const;

 private:
  xmlDocPtr doc_ = nullptr;
  std::vector<xmlNodePtr> detached_;
  std::mutex wrappersLock_;
};

using XmlDocumentPtr = std::shared_ptr<XmlDocument>;

// The node name as the DOM gives it: the qualified tag name of an element, "#text" of a text.
WideString XmlNodeName(xmlNodePtr node);
// The concatenated text of the node and its descendants.
WideString XmlNodeText(xmlNodePtr node);
// Replaces the children of an element by one text node (or sets the text of a text node).
void SetXmlNodeText(XmlDocument& document, xmlNodePtr node, const WideString& text);
// The node and its subtree as markup.
WideString XmlNodeMarkup(xmlNodePtr node);

int XmlChildCount(xmlNodePtr node);
xmlNodePtr XmlChildAt(xmlNodePtr node, int index);  // null past the end

// The result of an XPath query in document order. A namespace node, which libxml2 owns only
// for the duration of the query, is kept as null: it is a node, but never an element.
std::vector<xmlNodePtr> XmlSelectNodes(xmlNodePtr context, const WideString& query);

// Whether `name` may name an element or an attribute.
bool IsXmlName(const WideString& name);

}  // namespace ulka
