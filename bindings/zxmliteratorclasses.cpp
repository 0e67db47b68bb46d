// The script classes XmlNodeIterator (over a node's children) and XmlAttrIterator (over an
// element's attributes). Each starts on the first child or attribute. Moving past either end
// leaves the iterator on nothing: `valid` is 0 and the Goto that went there answered 0, so both
// `while (it.GotoNext())` and `for (...; it.valid; it.GotoNext())` loops end there. GotoFirst
// and GotoLast start over. An iterator whose document was replaced stays on nothing.
#include <new>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zxmlclasses.h"
#include "bindings/zxmltree.h"
#include "ziltools.h"

namespace ZTools {
namespace {

// XmlNodeIterator names XmlNode, which names it back. A class with packages is known by name
// before they are imported, so importing XmlNode from here resolves the cycle either way round.
constexpr ZScriptClassInfo kNodeIterator = {
    "XmlNodeIterator", "XmlNode", "03.03.2011", "An iterator objec that allows to iterator over a node's child nodes.",
    "accessor int valid ();method XmlNode GetNode ();method int GotoPrev ();method int GotoNext ();"
    "method int GotoFirst ();method int GotoLast ();method int AddNode (int type, const string name);"
    "method int InsertNode (int type, const string name);accessor string name ();accessor int type ();"};

constexpr ZScriptClassInfo kAttrIterator = {
    "XmlAttrIterator", "", "03.03.2011",
    "An iterator object that allows to iterate over a node's attributes and retrieve their names and values.",
    "accessor int valid ();accessor string name ();accessor name (const string);accessor string value ();"
    "accessor value (const string);method int GotoPrev ();method int GotoNext ();method int GotoFirst ();"
    "method int GotoLast ();method int AddAttribute (const string name, const string value);"};

enum NodeIteratorFunction : ZILLong {
  kNodeValid,
  kNodeGetNode,
  kNodeGotoPrev,
  kNodeGotoNext,
  kNodeGotoFirst,
  kNodeGotoLast,
  kNodeAdd,
  kNodeInsert,
  kNodeName,
  kNodeType
};

enum AttrIteratorFunction : ZILLong {
  kAttrValid,
  kAttrName,
  kAttrSetName,
  kAttrValue,
  kAttrSetValue,
  kAttrGotoPrev,
  kAttrGotoNext,
  kAttrGotoFirst,
  kAttrGotoLast,
  kAttrAdd
};

// Moves to `to` (none: off the end) and answers whether it is on something now.
template <class Position>
ZILError MoveTo(ZILState* ps, Position& current, Position to) {
  current = to;
  return NTLReturnInt(ps, current ? 1 : 0);
}

ZILError CallNodeIterator(ZILState* ps, ZILLong function, XmlNodeIteratorRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  if (!CurrentDocument(ps, r->ref))
    r->parent = r->current = pugi::xml_node{};
  switch (function) {
    case kNodeValid: return NTLReturnInt(ps, r->current ? 1 : 0);
    case kNodeGetNode: return ReturnXmlNode(ps, r->ref, r->current);
    case kNodeGotoPrev: return MoveTo(ps, r->current, r->current.previous_sibling());
    case kNodeGotoNext: return MoveTo(ps, r->current, r->current.next_sibling());
    case kNodeGotoFirst: return MoveTo(ps, r->current, r->parent.first_child());
    case kNodeGotoLast: return MoveTo(ps, r->current, r->parent.last_child());
    case kNodeAdd:
    case kNodeInsert: {
      // Inserted before the current child, or first when the iterator is on nothing.
      const pugi::xml_node before = function == kNodeAdd ? pugi::xml_node{}
                                    : r->current         ? r->current
                                                         : r->parent.first_child();
      const pugi::xml_node added = AddXmlChild(ps, r->parent, before, NTLGetArgInt(ps, 0), NTLGetArgString(ps, 1));
      if (added)
        r->current = added;
      return NTLReturnInt(ps, added ? 1 : 0);
    }
    case kNodeName: return NTLReturnString(ps, r->current ? ScriptNodeName(r->current) : "");
    case kNodeType: return NTLReturnInt(ps, r->current ? ScriptNodeType(r->current) : 0);
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

// Renames the current attribute unless the name is invalid or another attribute has it.
void RenameAttribute(ZILState* ps, XmlAttrIteratorRecord* r, const char* name) {
  if (!r->current)
    return;
  const pugi::xml_attribute same = r->owner.attribute(name);
  if (same && same != r->current)
    return;
  if (!IsXmlName(name)) {
    ZILLog(ps, "XML: invalid attribute name: \"%.64s\"\n", name);
    return;
  }
  r->current.set_name(name);
}

ZILError CallAttrIterator(ZILState* ps, ZILLong function, XmlAttrIteratorRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  if (!CurrentDocument(ps, r->ref)) {
    r->owner = pugi::xml_node{};
    r->current = pugi::xml_attribute{};
  }
  switch (function) {
    case kAttrValid: return NTLReturnInt(ps, r->current ? 1 : 0);
    case kAttrName: return NTLReturnString(ps, r->current.name());
    case kAttrSetName: RenameAttribute(ps, r, NTLGetArgString(ps, 0)); return 0;
    case kAttrValue: return NTLReturnString(ps, r->current.value());
    case kAttrSetValue:
      // Through the element, so the value obeys the same rules as every other attribute's.
      if (r->current)
        SetXmlAttribute(ps, r->owner, r->current.name(), NTLGetArgString(ps, 0), false);
      return 0;
    case kAttrGotoPrev: return MoveTo(ps, r->current, r->current.previous_attribute());
    case kAttrGotoNext: return MoveTo(ps, r->current, r->current.next_attribute());
    case kAttrGotoFirst: return MoveTo(ps, r->current, r->owner.first_attribute());
    case kAttrGotoLast: return MoveTo(ps, r->current, r->owner.last_attribute());
    case kAttrAdd: {
      const pugi::xml_attribute added =
          SetXmlAttribute(ps, r->owner, NTLGetArgString(ps, 0), NTLGetArgString(ps, 1), true);
      if (added)
        r->current = added;
      return NTLReturnInt(ps, added ? 1 : 0);
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError XmlNodeIteratorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  // One made by a script rather than by a node iterates over nothing.
  return AnswerObjectClass<XmlNodeIteratorRecord>(kNodeIterator, CallNodeIterator, inst, msg, param, in, out,
                                                  TreeHolderHooks<XmlNodeIteratorRecord>());
}

ZILError XmlAttrIteratorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerObjectClass<XmlAttrIteratorRecord>(kAttrIterator, CallAttrIterator, inst, msg, param, in, out,
                                                  TreeHolderHooks<XmlAttrIteratorRecord>());
}

}  // namespace ZTools
