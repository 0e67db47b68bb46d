// ZMLDefaultTag: the handler of every tag that stands for an object of a registered type. It
// makes the tag's node with the declared defaults, takes the attributes and text elements as
// property values, checks required properties and children, and adds the node to its parent.
#pragma once

#include "zml/zmltaghandler.h"

namespace ZTools {

class ZMLDefaultTag : public ZMLTagHandler {
 public:
  // The type may be given when the parser has already looked it up; else Begin finds it.
  explicit ZMLDefaultTag(const ZMLTypeDecl* type = nullptr) : type_(type) {}

  int32_t Begin(const ZString& tagName, ZMLTagHandler* enclosing, ZMLScriptHost& host) override;
  int32_t Attribute(const ZString& name, const ZString& value, ZMLScriptHost& host) override;
  int32_t End(ZMLScriptHost& host) override;
  int32_t Finish(ZMLTagHandler* enclosing, ZMLScriptHost& host) override;
  const ZMLTypeDecl* TypeDecl() const override { return type_; }
  const ZString& Name() const override { return name_; }
  ZMLNode* Node() const override { return node_; }

 private:
  ZString name_;
  const ZMLTypeDecl* type_ = nullptr;
  ZMLNode* node_ = nullptr;  // owned by the host
};

}  // namespace ZTools
