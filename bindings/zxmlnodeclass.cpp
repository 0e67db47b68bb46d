// The script class XmlNode: one node of an XmlDocument's tree (an element, the document itself, a
// text or a comment), with its attributes, character data, children and iterators. A node whose
// document has been replaced since reads as invalid: getters give "", 0 or null, setters and
// additions do nothing.
#include <new>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zxmlclasses.h"
#include "bindings/zxmltree.h"
#include "ziltools.h"

namespace ZTools {
namespace {

// The packages let a script import XmlNode alone; the iterators it names are declared first.
constexpr ZScriptClassInfo kInfo = {
    "XmlNode", "XmlAttrIterator, XmlNodeIterator", "03.03.2011",
    "A native type that represents a node in the XML document tree created by the XmlDocument class.",
    "delegate\t\t\t\tEnumerator(XmlNode node, var args);accessor int\t\t\tvalid();"
    "accessor int\t\t\ttype();accessor string\t\tname();accessor\t\t\t\tname(const string);"
    "method XmlNode\t\t\tAddNode(const string name);method XmlNode\t\t\tGetNode(const string name);"
    "method int\t\t\t\tHasAttribute(const string name);"
    "method string\t\t\tGetAttribute(const string name);"
    "method\t\t\t\t\tSetAttribute(const string name, const string value);method int\t\t\t\tHasCData();"
    "method string\t\t\tGetCData();method\t\t\t\t\tEnumerate(Enumerator fn, var args);"
    "method\tXmlNodeIterator\tGetNodeIterator();method\tXmlAttrIterator\tGetAttrIterator();"};

enum Function : ZILLong {
  kValid,
  kType,
  kName,
  kSetName,
  kAddNode,
  kGetNode,
  kHasAttribute,
  kGetAttribute,
  kSetAttribute,
  kHasCData,
  kGetCData,
  kEnumerate,
  kGetNodeIterator,
  kGetAttrIterator
};

ZILError DeclareClass(NTLDeclBuffer* decl) {
  ZILError e = NTLDeclareVerbatim(decl, kInfo.declaration);
  if (!e)
    e = NTLDeclareConstantInt(decl, ZIL_TYPE_INT, "kNode", kXmlNode);
  if (!e)
    e = NTLDeclareConstantInt(decl, ZIL_TYPE_INT, "kCData", kXmlCData);
  if (!e)
    e = NTLDeclareConstantInt(decl, ZIL_TYPE_INT, "kComment", kXmlComment);
  return e;
}

ZILError Enumerate(ZILState* ps, const XmlNodeRecord* r, pugi::xml_node node) {
  if (!node)
    return 0;
  ZILHandle* fn = NTLGetArgHandle(ps, 0);
  ZILHandle* args = NTLGetArgHandle(ps, 1);
  const ZILError e = EnumerateXmlChildren(ps, r->ref, node, fn, args);
  NTLFreeHandle(ps, args);
  NTLFreeHandle(ps, fn);
  return e;
}

ZILError CallMember(ZILState* ps, ZILLong function, XmlNodeRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  // Empty once the document was replaced; every pugixml call on an empty node is harmless.
  const pugi::xml_node node = CurrentDocument(ps, r->ref) ? r->node : pugi::xml_node{};
  switch (function) {
    case kValid: return NTLReturnInt(ps, node ? 1 : 0);
    case kType: return NTLReturnInt(ps, node ? ScriptNodeType(node) : 0);
    case kName: return NTLReturnString(ps, ScriptNodeName(node));
    case kSetName: SetScriptNodeName(ps, node, NTLGetArgString(ps, 0)); return 0;
    case kAddNode: return ReturnXmlNode(ps, r->ref, AddXmlChild(ps, node, {}, kXmlNode, NTLGetArgString(ps, 0)));
    case kGetNode: return ReturnXmlNode(ps, r->ref, FindXmlPath(node, NTLGetArgString(ps, 0)));
    case kHasAttribute: return NTLReturnInt(ps, node.attribute(NTLGetArgString(ps, 0)) ? 1 : 0);
    case kGetAttribute: return NTLReturnString(ps, node.attribute(NTLGetArgString(ps, 0)).value());
    case kSetAttribute: SetXmlAttribute(ps, node, NTLGetArgString(ps, 0), NTLGetArgString(ps, 1), false); return 0;
    case kHasCData: return NTLReturnInt(ps, HasCharacterData(node) ? 1 : 0);
    case kGetCData: return NTLReturnString(ps, CharacterData(node).c_str());
    case kEnumerate: return Enumerate(ps, r, node);
    case kGetNodeIterator: return node ? ReturnXmlNodeIterator(ps, r->ref, node) : NTLReturnHandle(ps, nullptr);
    case kGetAttrIterator: return node ? ReturnXmlAttrIterator(ps, r->ref, node) : NTLReturnHandle(ps, nullptr);
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError XmlNodeTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  try {
    // A node made by a script rather than by a document belongs to no tree and is never valid.
    if (msg == NTL_GetDeclString)
      return DeclareClass(static_cast<NTLDeclBuffer*>(in));
    return AnswerObjectClass<XmlNodeRecord>(kInfo, CallMember, inst, msg, param, in, out,
                                            TreeHolderHooks<XmlNodeRecord>());
  } catch (...) {
    // Only allocations throw here (character data, the enumeration's snapshot).
    return ZIL_EXC_Allocation_Fail;
  }
}

}  // namespace ZTools
