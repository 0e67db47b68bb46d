// The XML script classes: XmlDocument (a parsed document tree) and the XmlNode, XmlNodeIterator
// and XmlAttrIterator it hands out, which XmlDocument registers along with itself.
#pragma once

#include "zilapi.h"

namespace ZTools {

ZILError XmlDocumentTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError XmlNodeTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError XmlNodeIteratorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);
ZILError XmlAttrIteratorTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out);

}  // namespace ZTools
