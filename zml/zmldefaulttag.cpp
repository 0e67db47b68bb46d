// Object tags: property values, required properties and required children.
#include "zml/zmldefaulttag.h"

#include "zml/zmlnode.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"

namespace ZTools {

int32_t ZMLDefaultTag::Begin(const ZString& tagName, ZMLTagHandler*, ZMLScriptHost& host) {
  name_ = tagName;
  if (!type_)
    type_ = host.FindType(tagName.View());
  if (!type_)
    return kZErrTypeNotRegistered;
  node_ = host.NewNode(type_);
  return 0;
}

int32_t ZMLDefaultTag::Attribute(const ZString& name, const ZString& value, ZMLScriptHost&) {
  if (name.View() == "name") {
    if (node_->hasNameAttribute_)
      return kZErrPropertyAlreadyDefined;
    node_->hasNameAttribute_ = true;
    node_->nameGiven_ = value;
    return 0;
  }
  const int index = type_->FindProperty(name.View());
  if (index < 0)
    return kZErrUnknownProperty;
  ZMLPropertyValue& property = node_->values_[static_cast<size_t>(index)];
  if (property.given)
    return kZErrPropertyAlreadyDefined;
  property.value = value;
  property.given = true;
  return 0;
}

int32_t ZMLDefaultTag::End(ZMLScriptHost&) {
  for (size_t i = 0; i < type_->properties.size(); ++i) {
    const ZMLPropertyDecl& decl = type_->properties[i];
    if (!decl.optional && !decl.hasDefault && !node_->values_[i].given)
      return kZErrRequiredPropertyMissing;
  }
  if (type_->anyChildren)
    return 0;
  for (size_t i = 0; i < type_->children.size(); ++i) {
    const ZMLQuantity quantity = type_->children[i].quantity;
    const bool needed = quantity == ZMLQuantity::kExactlyOne || quantity == ZMLQuantity::kOneOrMore;
    if (needed && node_->childCounts_[i] == 0)
      return kZErrRequiredChildMissing;
  }
  return 0;
}

int32_t ZMLDefaultTag::Finish(ZMLTagHandler* enclosing, ZMLScriptHost& host) {
  ZMLNode* parent = enclosing ? enclosing->Node() : host.CurrentParent();
  if (!parent)
    return kZErrCannotAttachObject;
  host.AddNode(node_, parent);
  return 0;
}

}  // namespace ZTools
