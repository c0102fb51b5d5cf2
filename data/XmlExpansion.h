// How much text the entity references of a parsed document stand for. Entities may reference
// each other, so a small document can stand for gigabytes ("billion laughs", or one large entity
// referenced many times); the document loader refuses such documents before anything reads them.
#pragma once

#include <libxml/tree.h>

#include <cstdint>

namespace ulka {

// The characters the document's entity references expand to (each reference counted in full,
// entities referenced inside entities included), or more than `limit` once the count passes it.
// Walks the tree without recursion; entities nested deeper than libxml2 itself allows count as
// more than `limit`.
uint64_t XmlEntityExpansion(xmlDocPtr doc, uint64_t limit);

}  // namespace ulka
