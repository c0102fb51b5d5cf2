#include "data/XmlExpansion.h"

#include <libxml/entities.h>

#include <algorithm>
#include <string>
#include <unordered_map>

namespace ulka {

namespace {

// libxml2 refuses entities nested deeper than 40 levels; beyond this the count gives up.
constexpr int kMaxEntityNesting = 64;

bool IsNameChar(xmlChar c) { return c != ';' && c != '&' && c > ' '; }

class ExpansionCounter {
 public:
  ExpansionCounter(xmlDocPtr doc, uint64_t limit) : doc_(doc), limit_(limit) {}

  uint64_t OfDocument();

 private:
  uint64_t OfReference(const xmlChar* name, int depth);
  uint64_t OfEntity(xmlEntityPtr entity, int depth);
  uint64_t OfReferencesIn(xmlNodePtr first);
  uint64_t Sum(uint64_t a, uint64_t b) const { return std::min(limit_ + 1, a + b); }
  uint64_t TooMuch() const { return limit_ + 1; }

  xmlDocPtr doc_;
  uint64_t limit_;
  std::unordered_map<xmlEntityPtr, uint64_t> known_;  // expanded sizes counted so far
};

uint64_t ExpansionCounter::OfReference(const xmlChar* name, int depth) {
  xmlEntityPtr entity = xmlGetDocEntity(doc_, name);
  if (!entity || entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) return 0;
  return OfEntity(entity, depth);
}

// The entity's text, markup included, with every general entity it references counted in full.
uint64_t ExpansionCounter::OfEntity(xmlEntityPtr entity, int depth) {
  if (!entity->content) return 0;  // an external entity, which is never read
  if (depth > kMaxEntityNesting) return TooMuch();
  auto [known, added] = known_.try_emplace(entity, TooMuch());  // a loop counts as too much
  if (!added) return known->second;
  const xmlChar* text = entity->content;
  uint64_t total = static_cast<uint64_t>(xmlStrlen(text));
  for (const xmlChar* p = text; *p && total <= limit_; ++p) {
    if (p[0] != '&' || p[1] == '#') continue;
    const xmlChar* end = p + 1;
    while (IsNameChar(*end)) ++end;
    if (*end != ';' || end == p + 1) continue;
    const std::string name(reinterpret_cast<const char*>(p + 1), static_cast<size_t>(end - p - 1));
    total = Sum(total, OfReference(reinterpret_cast<const xmlChar*>(name.c_str()), depth + 1));
    p = end;
  }
  known_[entity] = total;
  return total;
}

uint64_t ExpansionCounter::OfReferencesIn(xmlNodePtr first) {
  uint64_t total = 0;
  for (xmlNodePtr node = first; node && total <= limit_; node = node->next)
    if (node->type == XML_ENTITY_REF_NODE) total = Sum(total, OfReference(node->name, 0));
  return total;
}

// Every reference in content and in attribute values, in one walk over the tree.
uint64_t ExpansionCounter::OfDocument() {
  const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc_);
  uint64_t total = 0;
  for (xmlNodePtr node = doc_->children; node && total <= limit_;) {
    bool descend = false;
    if (node->type == XML_ENTITY_REF_NODE) {
      total = Sum(total, OfReference(node->name, 0));
    } else if (node->type == XML_ELEMENT_NODE) {
      for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next)
        total = Sum(total, OfReferencesIn(attribute->children));
      descend = true;
    }
    if (descend && node->children) {
      node = node->children;
      continue;
    }
    while (node && !node->next) node = node->parent == top ? nullptr : node->parent;
    if (node) node = node->next;
  }
  return total;
}

}  // namespace

uint64_t XmlEntityExpansion(xmlDocPtr doc, uint64_t limit) {
  const bool declaresEntities = (doc->intSubset && doc->intSubset->entities) ||
                                (doc->extSubset && doc->extSubset->entities);
  if (!declaresEntities) return 0;
  return ExpansionCounter(doc, limit).OfDocument();
}

}  // namespace ulka
