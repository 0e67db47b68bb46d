// The XML classes' shared rules and tree edits: how nodes reach their document, the text rules,
// path lookup, adding children and attributes, character data and the enumeration walk.
//
// Paths: element names separated by '/', each step going to the first child element of that
// name ("stations/station" is the first <station> in the first <stations>). A path is relative
// to the node it is asked of (for XmlDocument, the document, which is the parent of the document
// element); a leading '/' starts at the document instead. Empty steps are skipped, so "" and "/"
// name the starting node, and "a//b/" is "a/b". There are no indexes or wildcards: Enumerate and
// the iterators walk siblings.
#include "bindings/zxmltree.h"

#include <vector>

#include "bindings/zscriptclassinfo.h"
#include "ziltools.h"

namespace ZTools {
namespace {

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsText(pugi::xml_node node) { return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata; }

// Refusals are the script's mistakes, not the data's: the call answers 0, null or nothing, and the
// log says which rule the text broke.
template <class Empty>
Empty Refuse(ZILState* ps, const char* why, const char* text) {
  ZILLog(ps, "XML: %s: \"%.64s\"\n", why, text ? text : "");
  return Empty{};
}

// Elements from node up to the document, node included.
int ElementDepth(pugi::xml_node node) {
  int depth = 0;
  for (; node.type() == pugi::node_element; node = node.parent())
    ++depth;
  return depth;
}

pugi::xml_node ChildElement(pugi::xml_node parent, std::string_view name) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element && name == child.name())
      return child;
  return {};
}

template <class Record>
ZILHandle* NewXmlObject(ZILState* ps, const char* className, const Record& proto) {
  Record counted = proto;
  counted.ref = ShareTree(proto.ref);
  ZILHandle* h = NewRecordObject<Record>(ps, NTLTypeNameToTypeID(ps, className), counted);
  if (!h)
    ReleaseTree(ps, counted.ref);
  return h;
}

ZILError ReturnObject(ZILState* ps, ZILHandle* h) {
  if (!h)
    return ZIL_EXC_Allocation_Fail;
  const ZILError e = NTLReturnHandle(ps, h);
  NTLFreeHandle(ps, h);
  return e;
}

}  // namespace

XmlDocumentRecord* CurrentDocument(ZILState* ps, const XmlTreeRef& ref) {
  if (!ref.document || ref.document->refCount <= 0)
    return nullptr;
  auto* doc =
      static_cast<XmlDocumentRecord*>(NTLHandleToObject(ps, NTLTypeNameToTypeID(ps, "XmlDocument"), ref.document));
  return doc && doc->generation == ref.generation ? doc : nullptr;
}

XmlTreeRef ShareTree(const XmlTreeRef& ref) {
  if (ref.document)
    ZILAddRef(ref.document);
  return ref;
}

void ReleaseTree(ZILState* ps, XmlTreeRef& ref) {
  if (ref.document)
    NTLFreeHandle(ps, ref.document);
  ref = XmlTreeRef{};
}

ZILError MarkTree(ZILState* ps, const XmlTreeRef& ref) { return ref.document ? NTLMarkHandle(ps, ref.document) : 0; }

ZILError ReturnXmlNode(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node node) {
  if (!node)
    return NTLReturnHandle(ps, nullptr);
  return ReturnObject(ps, NewXmlObject(ps, "XmlNode", XmlNodeRecord{ref, node}));
}

ZILError ReturnXmlNodeIterator(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node parent) {
  return ReturnObject(ps,
                      NewXmlObject(ps, "XmlNodeIterator", XmlNodeIteratorRecord{ref, parent, parent.first_child()}));
}

ZILError ReturnXmlAttrIterator(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node owner) {
  return ReturnObject(ps,
                      NewXmlObject(ps, "XmlAttrIterator", XmlAttrIteratorRecord{ref, owner, owner.first_attribute()}));
}

size_t InvalidUtf8At(std::string_view text) {
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead == 0)
      return i;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t extra;
    uint32_t cp, least;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, cp = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, cp = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, cp = lead & 0x07u, least = 0x10000;
    } else {
      return i;
    }
    if (n - i <= extra)
      return i;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80)
        return i;
      cp = cp << 6 | (next & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and code points past Unicode's end.
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return i;
    i += extra + 1;
  }
  return std::string_view::npos;
}

bool IsUtf8(std::string_view text) { return InvalidUtf8At(text) == std::string_view::npos; }

bool IsXmlName(std::string_view text) {
  if (text.empty() || !IsUtf8(text))
    return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool start = IsAsciiLetter(c) || c == '_' || c == ':' || c >= 0x80;
    if (!start && (i == 0 || !(IsAsciiDigit(c) || c == '-' || c == '.')))
      return false;
  }
  return true;
}

bool IsCommentText(std::string_view text) {
  return IsUtf8(text) && text.find("--") == std::string_view::npos && (text.empty() || text.back() != '-');
}

pugi::xml_node FindXmlPath(pugi::xml_node from, std::string_view path) {
  if (!path.empty() && path.front() == '/')
    from = from.root();
  size_t at = 0;
  while (from && at < path.size()) {
    size_t slash = path.find('/', at);
    if (slash == std::string_view::npos)
      slash = path.size();
    const std::string_view step = path.substr(at, slash - at);
    at = slash + 1;
    if (!step.empty())
      from = ChildElement(from, step);
  }
  return from;
}

ZILLong ScriptNodeType(pugi::xml_node node) {
  if (IsText(node))
    return kXmlCData;
  return node.type() == pugi::node_comment ? kXmlComment : kXmlNode;
}

const char* ScriptNodeName(pugi::xml_node node) {
  return node.type() == pugi::node_element ? node.name() : node.value();
}

bool SetScriptNodeName(ZILState* ps, pugi::xml_node node, const char* text) {
  if (node.type() == pugi::node_element) {
    return IsXmlName(text) ? node.set_name(text) : Refuse<bool>(ps, "invalid element name", text);
  }
  if (IsText(node))
    return IsUtf8(text) ? node.set_value(text) : Refuse<bool>(ps, "invalid text", text);
  if (node.type() == pugi::node_comment) {
    return IsCommentText(text) ? node.set_value(text) : Refuse<bool>(ps, "invalid comment", text);
  }
  return false;
}

pugi::xml_node AddXmlChild(ZILState* ps, pugi::xml_node parent, pugi::xml_node before, ZILLong type, const char* text) {
  using Node = pugi::xml_node;
  const bool atTop = parent.type() == pugi::node_document;
  if (!atTop && parent.type() != pugi::node_element)
    return {};
  pugi::xml_node_type kind;
  switch (type) {
    case kXmlNode:
      if (!IsXmlName(text))
        return Refuse<Node>(ps, "invalid element name", text);
      // One document element, so that the text ToString gives parses again.
      if (atTop && parent.find_child([](Node n) { return n.type() == pugi::node_element; }))
        return Refuse<Node>(ps, "the document has its element already", text);
      if (ElementDepth(parent) >= kXmlMaxDepth)
        return Refuse<Node>(ps, "elements nested too deep", text);
      kind = pugi::node_element;
      break;
    case kXmlCData:
      if (atTop)
        return Refuse<Node>(ps, "text outside the document element", text);
      if (!IsUtf8(text))
        return Refuse<Node>(ps, "invalid text", text);
      kind = pugi::node_pcdata;
      break;
    case kXmlComment:
      if (!IsCommentText(text))
        return Refuse<Node>(ps, "invalid comment", text);
      kind = pugi::node_comment;
      break;
    default: return Refuse<Node>(ps, "unknown node type", text);
  }
  Node added = before ? parent.insert_child_before(kind, before) : parent.append_child(kind);
  if (added && !(kind == pugi::node_element ? added.set_name(text) : added.set_value(text))) {
    parent.remove_child(added);
    return {};
  }
  return added;
}

pugi::xml_attribute SetXmlAttribute(ZILState* ps, pugi::xml_node element, const char* name, const char* value,
                                    bool onlyNew) {
  using Attribute = pugi::xml_attribute;
  if (element.type() != pugi::node_element)
    return {};
  if (!IsXmlName(name))
    return Refuse<Attribute>(ps, "invalid attribute name", name);
  if (!IsUtf8(value))
    return Refuse<Attribute>(ps, "invalid attribute value", value);
  Attribute attribute = element.attribute(name);
  if (attribute && onlyNew)
    return {};
  if (!attribute)
    attribute = element.append_attribute(name);
  return attribute && attribute.set_value(value) ? attribute : Attribute{};
}

bool HasCharacterData(pugi::xml_node node) {
  return IsText(node) || node.find_child([](pugi::xml_node child) { return IsText(child); });
}

std::string CharacterData(pugi::xml_node node) {
  if (IsText(node))
    return node.value();
  std::string text;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
    if (IsText(child))
      text += child.value();
  return text;
}

ZILError EnumerateXmlChildren(ZILState* ps, const XmlTreeRef& ref, pugi::xml_node parent, ZILHandle* fn,
                              ZILHandle* args) {
  std::vector<pugi::xml_node> children;
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    children.push_back(child);
  // Held for the whole walk: the callback may drop every other reference to the document.
  XmlTreeRef held = ShareTree(ref);
  ZILError e = 0;
  for (pugi::xml_node child : children) {
    if (!CurrentDocument(ps, held))
      break;
    ZILHandle* node = NewXmlObject(ps, "XmlNode", XmlNodeRecord{held, child});
    if (!node) {
      e = ZIL_EXC_Allocation_Fail;
      break;
    }
    ZILHandle* r = ZILCallFunction(ps, fn, 2, ZIL_ARG_HANDLE, node, ZIL_ARG_HANDLE, args);
    NTLFreeHandle(ps, node);
    const bool failed = !r || r->type == ZIL_TYPE_EXCEPTION;
    if (r)
      NTLFreeHandle(ps, r);
    if (failed)
      break;
  }
  ReleaseTree(ps, held);
  return e;
}

}  // namespace ZTools
