// The script class XmlDocument: a parsed XML tree that scripts read and change through paths
// (see zxmltree.cpp) or through the XmlNode objects it hands out. It registers XmlNode and the
// two iterators. Input is checked before and after pugixml parses it: well-formed UTF-8 (what
// character references stand for included), one document element, no attribute given twice in an
// element, and elements nested at most kXmlMaxDepth deep; input that fails leaves the document
// empty and its reason in the log.
#include <algorithm>
#include <climits>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zxmlclasses.h"
#include "bindings/zxmltree.h"
#include "ziltools.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kInfo = {
    "XmlDocument", "XmlAttrIterator, XmlNodeIterator, XmlNode", "03.03.2011",
    "A class that represents a parsed XML document tree and provides methods to read and modify the document.",
    "delegate\t\t\tEnumerator(XmlNode node, var args);method\t\t\t\tXmlDocument();"
    "method\t\t\t\tXmlDocument(const string str);explicit string\tconvertor();"
    "method\t\t\t\tFromString(const string str);method string\t\tToString();"
    "method int\t\t\tHasAttribute(const string path, const string name);"
    "method string\t\tGetAttribute(const string path, const string name);"
    "method\t\t\t\tSetAttribute(const string path, const string name, const string value);"
    "method int\t\t\tAddAttribute(const string path, const string name, const string value);"
    "method string\t\tGetNodeCData(const string path);method XmlNode\t\tGetNode(const string path);"
    "method\t\t\t\tEnumerate(const string path, Enumerator fn, var args);"};

enum Function : ZILLong {
  kConstruct,
  kConstructFrom,
  kConvertor,
  kFromString,
  kToString,
  kHasAttribute,
  kGetAttribute,
  kSetAttribute,
  kAddAttribute,
  kGetNodeCData,
  kGetNode,
  kEnumerate
};

// Text of only white space is kept when it is all an element holds ("<a> </a>"), and dropped
// between elements, where indented output puts its own.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_ws_pcdata_single;

// The handle that owns doc. Member calls arrive with it in r0, but a call through a delegate or
// from the host need not; then the handle pool is searched once. Weak handles share the pointer
// without keeping the object, so they do not count.
ZILHandle* OwnHandle(ZILState* ps, ZILLong type, XmlDocumentRecord* doc) {
  auto owns = [type, doc](const ZILHandle* h) {
    return h && h->refCount > 0 && h->type == type && h->payload.p == doc && !(h->flags & ZIL_HANDLE_WEAK);
  };
  if (owns(doc->self))
    return doc->self;
  const ZILContext* ctx = ps->current ? ps->current : ps->root;
  ZILHandle* found = ctx && ctx->regs && owns(ctx->regs[0]) ? ctx->regs[0] : nullptr;
  for (ZILLong i = 0; !found && i < ps->handleCapacity; ++i)
    if (owns(ps->handles[i]))
      found = ps->handles[i];
  return doc->self = found;
}

// doc's current tree with its own handle counted; empty when the handle is not found.
XmlTreeRef TreeRef(ZILState* ps, ZILLong type, XmlDocumentRecord* doc) {
  ZILHandle* self = OwnHandle(ps, type, doc);
  if (self)
    ZILAddRef(self);
  return XmlTreeRef{self, doc->generation};
}

// The input was checked for UTF-8 before parsing, so a value that is not UTF-8 now came from a
// character reference (pugixml encodes any number it is given, past Unicode's end or a surrogate).
constexpr const char* kBadReference = "a character reference outside Unicode";

// Why an element's attributes do not belong in a document; null when they do. `names` is scratch.
const char* AttributeProblem(pugi::xml_node element, std::vector<std::string_view>& names) {
  names.clear();
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
    if (!IsUtf8(a.value()))
      return kBadReference;
    names.push_back(a.name());
  }
  std::sort(names.begin(), names.end());
  return std::adjacent_find(names.begin(), names.end()) == names.end() ? nullptr : "an attribute given twice";
}

// What pugixml accepts but a document must not have; null when the tree is fine. pugixml itself
// drops text outside the document element.
const char* ShapeProblem(const pugi::xml_document& tree) {
  int elements = 0;
  for (pugi::xml_node top = tree.first_child(); top; top = top.next_sibling())
    elements += top.type() == pugi::node_element;
  if (elements != 1)
    return elements ? "more than one document element" : "no document element";
  // Depth first without recursion: the input may nest as deep as it likes. `depth` counts the
  // elements above `node`.
  std::vector<std::string_view> names;
  int depth = 0;
  for (pugi::xml_node node = tree.first_child(); node;) {
    if (node.type() == pugi::node_element) {
      if (depth >= kXmlMaxDepth)
        return "elements nested too deep";
      if (const char* problem = AttributeProblem(node, names))
        return problem;
    } else if (!IsUtf8(node.value())) {
      return kBadReference;
    }
    if (node.first_child()) {
      node = node.first_child();
      ++depth;
      continue;
    }
    while (node && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (node)
      node = node.next_sibling();
  }
  return nullptr;
}

void LogBadInput(ZILState* ps, const char* why, ptrdiff_t offset = -1) {
  if (offset < 0) {
    ZILLog(ps, "XmlDocument: %s; the document is empty\n", why);
  } else {
    ZILLog(ps, "XmlDocument: %s at offset %td; the document is empty\n", why, offset);
  }
}

ZILError Load(ZILState* ps, XmlDocumentRecord* doc, std::string_view text) {
  doc->tree.reset();
  ++doc->generation;
  if (text.empty())
    return 0;
  if (const size_t bad = InvalidUtf8At(text); bad != std::string_view::npos) {
    LogBadInput(ps, text[bad] ? "invalid UTF-8" : "a zero byte", ptrdiff_t(bad));
    return 0;
  }
  const pugi::xml_parse_result parsed =
      doc->tree.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
  const char* problem = parsed ? ShapeProblem(doc->tree) : parsed.description();
  if (!problem)
    return 0;
  LogBadInput(ps, problem, parsed ? -1 : parsed.offset);
  doc->tree.reset();
  return parsed.status == pugi::status_out_of_memory ? ZIL_EXC_Allocation_Fail : 0;
}

struct StringWriter : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

ZILError ReturnText(ZILState* ps, const XmlDocumentRecord* doc) {
  StringWriter out;
  doc->tree.save(out, "\t", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
  if (out.text.size() > size_t(INT_MAX))
    return ZIL_EXC_Allocation_Fail;
  return NTLReturnStringBytes(ps, out.text.data(), ZILLong(out.text.size()));
}

std::string_view StringArg(ZILState* ps, ZILLong n) {
  return {NTLGetArgString(ps, n), size_t(NTLGetArgStringLength(ps, n))};
}

ZILError Enumerate(ZILState* ps, ZILLong type, XmlDocumentRecord* doc) {
  const pugi::xml_node parent = FindXmlPath(doc->tree, NTLGetArgString(ps, 0));
  if (!parent)
    return 0;
  ZILHandle* fn = NTLGetArgHandle(ps, 1);
  ZILHandle* args = NTLGetArgHandle(ps, 2);
  XmlTreeRef ref = TreeRef(ps, type, doc);
  const ZILError e = ref.document ? EnumerateXmlChildren(ps, ref, parent, fn, args) : ZIL_ERR_Invalid_Handle_Index;
  ReleaseTree(ps, ref);
  NTLFreeHandle(ps, args);
  NTLFreeHandle(ps, fn);
  return e;
}

ZILError ReturnNode(ZILState* ps, ZILLong type, XmlDocumentRecord* doc, pugi::xml_node node) {
  if (!node)
    return NTLReturnHandle(ps, nullptr);
  XmlTreeRef ref = TreeRef(ps, type, doc);
  const ZILError e = ref.document ? ReturnXmlNode(ps, ref, node) : ZIL_ERR_Invalid_Handle_Index;
  ReleaseTree(ps, ref);
  return e;
}

ZILError CallMember(ZILState* ps, ZILLong type, ZILLong function, XmlDocumentRecord* doc) {
  if (!doc)
    return ZIL_EXC_Null_Reference;
  // Every path-taking function reads its path first.
  auto at = [ps, doc] {
    return FindXmlPath(doc->tree, NTLGetArgString(ps, 0));
  };
  switch (function) {
    case kConstruct: return Load(ps, doc, {});
    case kConstructFrom:
    case kFromString: return Load(ps, doc, StringArg(ps, 0));
    case kConvertor:
    case kToString: return ReturnText(ps, doc);
    case kHasAttribute: return NTLReturnInt(ps, at().attribute(NTLGetArgString(ps, 1)) ? 1 : 0);
    case kGetAttribute: return NTLReturnString(ps, at().attribute(NTLGetArgString(ps, 1)).value());
    case kSetAttribute: SetXmlAttribute(ps, at(), NTLGetArgString(ps, 1), NTLGetArgString(ps, 2), false); return 0;
    case kAddAttribute:
      return NTLReturnInt(ps, SetXmlAttribute(ps, at(), NTLGetArgString(ps, 1), NTLGetArgString(ps, 2), true) ? 1 : 0);
    case kGetNodeCData: return NTLReturnString(ps, CharacterData(at()).c_str());
    case kGetNode: return ReturnNode(ps, type, doc, at());
    case kEnumerate: return Enumerate(ps, type, doc);
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError XmlDocumentTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  try {
    if (msg == NTL_Register) {
      auto* state = static_cast<ZILState*>(in);
      for (NTLTypeProc proc : {XmlAttrIteratorTypeProc, XmlNodeIteratorTypeProc, XmlNodeTypeProc})
        if (ZILError e = ZILRegisterNativeType(state, proc))
          return e;
      return 0;
    }
    auto call = [inst](ZILState* ps, ZILLong index, XmlDocumentRecord* doc) {
      return CallMember(ps, NTLInstanceTypeID(inst), index, doc);
    };
    return AnswerObjectClass<XmlDocumentRecord>(kInfo, call, inst, msg, param, in, out);
  } catch (...) {
    // Only allocations throw here (strings, the enumeration's snapshot).
    return ZIL_EXC_Allocation_Fail;
  }
}

}  // namespace ZTools
