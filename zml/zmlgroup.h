// ZMLGroup: the object of a group tag (the document root `zmlroot`, `zmlgroup`, and every type
// made with <definegroup>). It has no properties of its own and only holds its children, in
// document order, so that the framework can walk a skin's `surfaces`, `views` and the like.
#pragma once

#include <vector>

#include "ztools/base/zevent.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZMLGroup : public IEventListener {
 public:
  int32_t OnEvent(ZEvent* event) override;

  const ZString& Name() const noexcept { return name_; }
  const std::vector<IEventListener*>& Children() const noexcept { return children_; }

 private:
  ZString name_;
  std::vector<IEventListener*> children_;
};

}  // namespace ZTools
