// ZMLTagHandler: one object per open tag while a document is parsed. The parser creates it when
// the start tag's name is known, passes it every attribute (and every text element inside it),
// and ends, finishes and destroys it when the tag is complete. Reserved tags (var, const, ...)
// have their own handlers; every other tag is a ZMLDefaultTag, which stands for an object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ztools/base/zstring.h"

namespace ZTools {

class ZMLScriptHost;
class ZMLNode;
struct ZMLTypeDecl;

class ZMLTagHandler {
 public:
  virtual ~ZMLTagHandler() = default;

  // Called once the tag's (lower-case) name is known; enclosing is null at the top level.
  virtual int32_t Begin(const ZString& tagName, ZMLTagHandler* enclosing, ZMLScriptHost& host) = 0;
  // Once per attribute in document order, with the processed value; also for text elements.
  virtual int32_t Attribute(const ZString& name, const ZString& value, ZMLScriptHost& host) = 0;
  // The tag is complete (after "/>" or at its end tag).
  virtual int32_t End(ZMLScriptHost& host) = 0;
  // Right after End.
  virtual int32_t Finish(ZMLTagHandler* enclosing, ZMLScriptHost& host) = 0;
  // The type this tag stands for, which says which child tags are property elements.
  virtual const ZMLTypeDecl* TypeDecl() const = 0;
  // The tag's name as given (lower case).
  virtual const ZString& Name() const = 0;
  // The document node this tag builds; null for tags that build none.
  virtual ZMLNode* Node() const { return nullptr; }
};

using ZMLTagHandlerFactory = std::function<std::unique_ptr<ZMLTagHandler>()>;

}  // namespace ZTools
