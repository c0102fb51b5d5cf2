#include "data/XmlDocument.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "automation/TextUtils.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "data/XmlExpansion.h"

namespace ulka {

namespace {

// No network, no DTD loading, entity references kept as references, blank text between elements
// dropped as the DOM does by default, and no output on stderr. Not XML_PARSE_HUGE: libxml2's
// limits stay (256 levels of elements, 10 MB of text in one node, 40 levels of entities).
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// The text entity references may stand for: 100 times the document, at least 1 MB, at most
// 100 MB. A document whose references stand for more is refused as if it were not well-formed.
uint64_t ExpansionLimit(size_t documentSize) {
  return std::clamp<uint64_t>(uint64_t{documentSize} * 100, uint64_t{1} << 20, uint64_t{100} << 20);
}

// An upper bound for the work of one XPath query, so that no query runs for ever.
constexpr unsigned long kXPathOperationLimit = 100'000'000;

template <class T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const { Free(p); }
};
void FreeXmlChars(xmlChar* p) { xmlFree(p); }
using XmlChars = std::unique_ptr<xmlChar, Freer<xmlChar, FreeXmlChars>>;
using XPathContext = std::unique_ptr<xmlXPathContext, Freer<xmlXPathContext, xmlXPathFreeContext>>;
using XPathObject = std::unique_ptr<xmlXPathObject, Freer<xmlXPathObject, xmlXPathFreeObject>>;
using XPathCompiled = std::unique_ptr<xmlXPathCompExpr, Freer<xmlXPathCompExpr, xmlXPathFreeCompExpr>>;
using XmlBuffer = std::unique_ptr<xmlBuffer, Freer<xmlBuffer, xmlBufferFree>>;

const xmlChar* XmlText(const std::string& utf8) { return reinterpret_cast<const xmlChar*>(utf8.c_str()); }

WideString WideOf(const xmlChar* text) {
  return text ? Wide(reinterpret_cast<const char*>(text)) : WideString();
}

// The value of encoding="..." in the XML declaration at the start of the text, if any.
std::string DeclaredEncoding(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // "<?xml" and a blank: "<?xml-stylesheet" and the like are processing instructions.
  if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !std::strchr(" \t\r\n", text[5])) return {};
  const std::string_view declaration = text.substr(0, text.find("?>"));
  const size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  const size_t open = declaration.find_first_of("\"'", at);
  if (open == std::string_view::npos) return {};
  const size_t close = declaration.find(declaration[open], open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(declaration.substr(open + 1, close - open - 1));
}

void IgnoreXPathError(void*, xmlErrorPtr) {}

void IgnoreGenericError(void*, const char*, ...) {}

// Documents never make libxml2 read a file or fetch a URL: an external DTD or entity stays
// unread, whatever the parse options, so a document cannot reach the disk or the network (or
// hang on a pipe) through its declarations.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

// libxml2 sets up its global state once, before any thread parses. Its messages would go to
// stderr; the members report failures themselves (the handler is per thread).
void InitLibxml() {
  static const bool initialised = (xmlInitParser(), xmlSetExternalEntityLoader(&RefuseExternalEntity), true);
  (void)initialised;
  xmlSetGenericErrorFunc(nullptr, &IgnoreGenericError);
}

// Whether the bytes parse as they would load, without building the tree: the parser checks
// well-formedness itself; only the document and its declarations are made, for the entities.
bool IsWellFormed(std::span<const uint8_t> bytes) {
  if (bytes.size() > INT32_MAX) return false;
  using ParserContext = std::unique_ptr<xmlParserCtxt, Freer<xmlParserCtxt, xmlFreeParserCtxt>>;
  ParserContext context(xmlCreateMemoryParserCtxt(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<int>(bytes.size())));
  if (!context) return false;
  xmlCtxtUseOptions(context.get(), kParseOptions);  // before the callbacks go: it sets some
  xmlSAXHandler* sax = context->sax;
  sax->startElementNs = nullptr;
  sax->endElementNs = nullptr;
  sax->startElement = nullptr;
  sax->endElement = nullptr;
  sax->characters = nullptr;
  sax->ignorableWhitespace = nullptr;
  sax->cdataBlock = nullptr;
  sax->comment = nullptr;
  sax->processingInstruction = nullptr;
  sax->reference = nullptr;
  xmlParseDocument(context.get());
  const bool wellFormed = context->wellFormed != 0;
  xmlFreeDoc(context->myDoc);
  context->myDoc = nullptr;
  return wellFormed;
}

[[noreturn]] void FailQuery(const WideString& query) {
  throw EVekError(FormatText(msg::kXmlInvalidQuery, query), E_FAIL);
}

}  // namespace

XmlDocument::XmlDocument() {
  InitLibxml();
  doc_ = xmlNewDoc(BAD_CAST "1.0");
  if (!doc_) throw std::bad_alloc();
}

XmlDocument::XmlDocument(xmlDocPtr doc) : doc_(doc) {}

XmlDocument::~XmlDocument() {
  // Detached nodes still use the document's name dictionary, so they go first.
  for (xmlNodePtr node : detached_) xmlFreeNode(node);
  xmlFreeDoc(doc_);
}

std::shared_ptr<XmlDocument> XmlDocument::Parse(std::span<const uint8_t> bytes, bool fromText) {
  InitLibxml();
  if (bytes.empty() || bytes.size() > INT32_MAX) return nullptr;  // libxml2 takes an int size
  const char* data = reinterpret_cast<const char*>(bytes.data());
  const int size = static_cast<int>(bytes.size());
  // A script's text is UTF-8 here, whatever encoding its declaration names.
  const int options = fromText ? kParseOptions | XML_PARSE_IGNORE_ENC : kParseOptions;
  xmlDocPtr doc = xmlReadMemory(data, size, nullptr, fromText ? "UTF-8" : nullptr, options);
  if (!doc) return nullptr;
  auto document = std::make_shared<XmlDocument>(doc);
  const uint64_t limit = ExpansionLimit(bytes.size());
  if (XmlEntityExpansion(doc, limit) > limit) return nullptr;
  if (fromText) {
    // Saving honours the declaration all the same.
    const std::string declared = DeclaredEncoding(std::string_view(data, size));
    if (doc->encoding) xmlFree(const_cast<xmlChar*>(doc->encoding));
    doc->encoding = declared.empty() ? nullptr : xmlStrdup(XmlText(declared));
  }
  return document;
}

void XmlDocument::Detach(xmlNodePtr node) {
  xmlUnlinkNode(node);
  detached_.push_back(node);
}

Bytes XmlDocument::Serialize(bool forFile) const {
  InitLibxml();
  if (!doc_->children) return {};
  const char* encoding = "UTF-8";
  if (forFile && doc_->encoding) encoding = reinterpret_cast<const char*>(doc_->encoding);
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc_, &text, &size, encoding, forFile ? 1 : 0);
  XmlChars owned(text);
  if (!text || size <= 0) return {};
  Bytes bytes(text, text + size);
  // What libxml2 writes does not always read back: a character the encoding lacks becomes a
  // character reference also where none is allowed (a name, a comment, a processing
  // instruction), a namespace name is written without its "<" and "&" escaped, a tree built
  // deeper than the parser reads is written whole. A file is only written when it loads again.
  if (forFile && !IsWellFormed(bytes)) return {};
  return bytes;
}

WideString XmlNodeName(xmlNodePtr node) {
  switch (node->type) {
    case XML_TEXT_NODE: return u"#text";
    case XML_CDATA_SECTION_NODE: return u"#cdata-section";
    case XML_COMMENT_NODE: return u"#comment";
    case XML_DOCUMENT_NODE: return u"#document";
    case XML_DOCUMENT_FRAG_NODE: return u"#document-fragment";
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      if (node->ns && node->ns->prefix) return WideOf(node->ns->prefix) + u":" + WideOf(node->name);
      return WideOf(node->name);
    default: return WideOf(node->name);
  }
}

WideString XmlNodeText(xmlNodePtr node) {
  XmlChars text(xmlNodeGetContent(node));
  return WideOf(text.get());
}

void SetXmlNodeText(XmlDocument& document, xmlNodePtr node, const WideString& text) {
  const std::string utf8 = Utf8(text);
  if (node->type != XML_ELEMENT_NODE) {
    xmlNodeSetContent(node, nullptr);
    xmlNodeAddContent(node, XmlText(utf8));  // taken literally, unlike xmlNodeSetContent
    return;
  }
  while (node->last) document.Detach(node->last);
  if (!utf8.empty()) xmlAddChild(node, xmlNewDocText(node->doc, XmlText(utf8)));
}

WideString XmlNodeMarkup(xmlNodePtr node) {
  XmlBuffer buffer(xmlBufferCreate());
  if (!buffer) throw std::bad_alloc();
  xmlNodeDump(buffer.get(), node->doc, node, 0, 0);
  return WideOf(xmlBufferContent(buffer.get()));
}

int XmlChildCount(xmlNodePtr node) {
  int count = 0;
  for (xmlNodePtr child = node->children; child; child = child->next) ++count;
  return count;
}

xmlNodePtr XmlChildAt(xmlNodePtr node, int index) {
  if (index < 0) return nullptr;
  xmlNodePtr child = node->children;
  while (child && index-- > 0) child = child->next;
  return child;
}

std::vector<xmlNodePtr> XmlSelectNodes(xmlNodePtr context, const WideString& query) {
  XPathContext xpath(xmlXPathNewContext(context->doc));
  if (!xpath) throw std::bad_alloc();
  xpath->node = context;
  xpath->error = &IgnoreXPathError;
  xpath->opLimit = kXPathOperationLimit;
  // Prefixes declared in scope of the element can be used in the query.
  if (xmlNsPtr* spaces = xmlGetNsList(context->doc, context)) {
    for (xmlNsPtr* ns = spaces; *ns; ++ns)
      if ((*ns)->prefix) xmlXPathRegisterNs(xpath.get(), (*ns)->prefix, (*ns)->href);
    xmlFree(spaces);
  }
  const std::string utf8 = Utf8(query);
  XPathCompiled compiled(xmlXPathCtxtCompile(xpath.get(), XmlText(utf8)));
  if (!compiled) FailQuery(query);
  XPathObject result(xmlXPathCompiledEval(compiled.get(), xpath.get()));
  if (!result || result->type != XPATH_NODESET) FailQuery(query);
  std::vector<xmlNodePtr> nodes;
  if (xmlNodeSetPtr set = result->nodesetval) {
    nodes.reserve(set->nodeNr);
    for (int i = 0; i < set->nodeNr; ++i)
      nodes.push_back(set->nodeTab[i]->type == XML_NAMESPACE_DECL ? nullptr : set->nodeTab[i]);
  }
  return nodes;
}

bool IsXmlName(const WideString& name) {
  const std::string utf8 = Utf8(name);
  return !utf8.empty() && utf8.find('\0') == std::string::npos && xmlValidateName(XmlText(utf8), 0) == 0;
}

}  // namespace ulka
