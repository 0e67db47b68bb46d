// ZMLNode: one object tag of a parsed document: its type, reference name, property values and
// children, and the object once built. Nodes belong to the host, which frees them all at
// teardown, so a tree of any depth is freed without recursion.
#pragma once

#include <cstdint>
#include <vector>

#include "ztools/base/zstring.h"
#include "zml/zmltypedecl.h"

namespace ZTools {

class IEventListener;

struct ZMLPropertyValue {
  ZString value;
  bool given = false;  // set in the document (a default alone does not count)
};

class ZMLNode {
 public:
  explicit ZMLNode(const ZMLTypeDecl* type) : type_(type) {}

  const ZMLTypeDecl& Type() const noexcept { return *type_; }
  const ZString& InterfaceName() const noexcept { return type_->interfaceName; }
  // The tag name the node was written with (an alias's own name for an alias).
  const ZString& TypeName() const noexcept { return type_->typeName; }
  // The reference name: the `name` attribute, the tag name when that was free, or empty.
  const ZString& Name() const noexcept { return name_; }
  ZMLNode* Parent() const noexcept { return parent_; }
  const std::vector<ZMLNode*>& Children() const noexcept { return children_; }
  // One value per declared property, in declaration order.
  const std::vector<ZMLPropertyValue>& Values() const noexcept { return values_; }
  // The object, or null before it is built, after it is destroyed, or when building failed.
  IEventListener* Object() const noexcept { return object_; }
  // External nodes name objects that the host did not make (RegisterObject).
  bool IsExternal() const noexcept { return external_; }
  // Where the node's tag began (0 for nodes not made by a parse).
  int32_t Line() const noexcept { return line_; }
  int32_t Column() const noexcept { return column_; }
  // The number of ancestors (top-level nodes, under the root, have depth 1).
  size_t Depth() const noexcept {
    size_t depth = 0;
    for (const ZMLNode* n = parent_; n; n = n->parent_)
      ++depth;
    return depth;
  }

 private:
  friend class ZMLScriptHost;
  friend class ZMLDefaultTag;

  const ZMLTypeDecl* type_;
  ZString name_;
  ZString nameGiven_;  // the `name` attribute before registration
  ZMLNode* parent_ = nullptr;
  std::vector<ZMLNode*> children_;
  std::vector<ZMLPropertyValue> values_;
  std::vector<uint32_t> childCounts_;  // children matched per child declaration
  std::vector<ZMLNode*> dependents_;   // nodes told when this one is destroyed
  IEventListener* object_ = nullptr;
  bool external_ = false;
  bool hasNameAttribute_ = false;
  uint32_t stream_ = UINT32_MAX;
  int32_t line_ = 0;
  int32_t column_ = 0;
};

}  // namespace ZTools
