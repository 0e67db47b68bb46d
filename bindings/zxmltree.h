// What the XML script classes share: the records behind XmlDocument, XmlNode and the two
// iterators, how nodes and iterators hold their document, the rules every text written into a
// tree obeys, path lookup, and the tree edits more than one class offers.
//
// A node or iterator holds its document's script handle (counted, marked for the collector) and
// the document's generation at the time it was made. FromString replaces the whole tree and
// raises the generation, so everything made before reads as invalid instead of reaching into
// freed nodes. Nothing else removes nodes, so within one generation every pugixml node and
// attribute handle stays valid.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "bindings/zscriptclassinfo.h"
#include "zilapi.h"

namespace ZTools {

// Node types as scripts see them: XmlNode's constants kNode, kComment and kCData. Elements and
// the document itself are kNode; text and CDATA sections are both kCData.
enum : ZILLong {
  kXmlNode = 0,
  kXmlComment = 1,
  kXmlCData = 2
};

// Elements nest at most this deep. Indented output repeats the depth on every line, so the
// limit keeps ToString's text within a small multiple of the tree.
inline constexpr int kXmlMaxDepth = 256;

struct XmlDocumentRecord {
  pugi::xml_document tree;
  uint64_t generation = 0;    // raised whenever the tree is replaced
  ZILHandle* self = nullptr;  // the handle owning this record (not counted), once looked up
};

// A node's or iterator's hold on its document.
struct XmlTreeRef {
  ZILHandle* document = nullptr;  // counted, or none
  uint64_t generation = 0;
};

struct XmlNodeRecord {
  XmlTreeRef ref;
  pugi::xml_node node;
};

struct XmlNodeIteratorRecord {
  XmlTreeRef ref;
  pugi::xml_node parent;
  pugi::xml_node current;  // none when off either end
};

struct XmlAttrIteratorRecord {
  XmlTreeRef ref;
  pugi::xml_node owner;
  pugi::xml_attribute current;  // none when off either end
};

// The document while ref's generation is its current one; none once the tree was replaced.
XmlDocumentRecord* CurrentDocument(ZILState* ps, const XmlTreeRef& ref);
XmlTreeRef ShareTree(const XmlTreeRef& ref);
void ReleaseTree(ZILState* ps, XmlTreeRef& ref);
ZILError MarkTree(ZILState* ps, const XmlTreeRef& ref);

// The object hooks of a class whose record R holds a tree reference `ref`: the collector marks
// the document through it, and a destroyed object gives back only its hold on the document,
// which may already be gone (the collector frees unreachable objects in any order).
template <class R>
ZObjectClassHooks<R> TreeHolderHooks() {
  return {[](ZILState* ps, R* r) { return MarkTree(ps, r->ref); },
          [](ZILState* ps, R* r) {
            ReleaseTree(ps, r->ref);
          }};
}

// r1 = a new XmlNode, XmlNodeIterator or XmlAttrIterator on ref's tree (each holding its own
// count on the document); the null value for an empty node.
ZILError ReturnXmlNode(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node node);
ZILError ReturnXmlNodeIterator(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node parent);
ZILError ReturnXmlAttrIterator(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node owner);

// Texts a script writes into a tree: valid UTF-8 throughout; names are XML names (a letter, '_',
// ':' or a non-ASCII character first, then also digits, '-' and '.'); comments hold no "--" and
// do not end in '-'. A write that breaks a rule changes nothing and leaves a line in the log.
bool IsXmlName(std::string_view text);
// The offset of the first byte that is not part of a well-formed UTF-8 character (zero bytes
// included); npos when there is none.
size_t InvalidUtf8At(std::string_view text);
bool IsUtf8(std::string_view text);
bool IsCommentText(std::string_view text);

// The node a path leads to from `from`; none when a step finds nothing (see zxmltree.cpp).
pugi::xml_node FindXmlPath(pugi::xml_node from, std::string_view path);

ZILLong ScriptNodeType(pugi::xml_node node);
// An element's name, a text's or comment's content, "" for the document and for none.
const char* ScriptNodeName(pugi::xml_node node);
// Renames an element or replaces a text's or comment's content; false when refused.
bool SetScriptNodeName(ZILState* ps, pugi::xml_node node, const char* text);
// A new child of `type` under an element (or an element or comment under the document, which
// holds at most one element), before `before` or, when that is none, last. None when refused.
pugi::xml_node AddXmlChild(ZILState* ps, pugi::xml_node parent, pugi::xml_node before, ZILLong type, const char* text);
// Sets an element's attribute, adding it when missing; with onlyNew an existing one is left as
// it is and the answer is none.
pugi::xml_attribute SetXmlAttribute(ZILState* ps, pugi::xml_node element, const char* name, const char* value,
                                    bool onlyNew);
// A text node's own content, or the content of an element's direct text children joined.
bool HasCharacterData(pugi::xml_node node);
std::string CharacterData(pugi::xml_node node);

// Calls fn(node, args) for each child of parent, from a list taken before the first call, so the
// callback may change the tree; the walk ends early when the tree is replaced or a call fails.
ZILError EnumerateXmlChildren(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node parent, ZILHandle* fn,
                              ZILHandle* args);

}  // namespace ZTools
