// ZParameterList: children, user indexes, lookups.
#include "ztools/zparameterlist.h"

#include <algorithm>
#include <climits>

#include "zml/zmlevent.h"
#include "ztools/base/zerror.h"
#include "ztools/zparameter.h"

namespace ZTools {

int32_t ZParameterList::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  switch (event->Id()) {
    case kZMLEventGetTypeDecl:
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(ZString(Declaration()));
      return 0;
    case kZMLEventChildCreate: {
      IEventListener* child = static_cast<ZMLEventChild*>(event)->Child();
      if (!dynamic_cast<ZParameter*>(child) && !dynamic_cast<ZParameterList*>(child))
        return kZErrIncompatibleChild;
      items_.push_back(child);
      return 0;
    }
    case kZMLEventChildFinish: {
      // The child's properties (its `index` among them) are known only now.
      auto* p = dynamic_cast<ZBasicParameter*>(static_cast<ZMLEventChild*>(event)->Child());
      if (!p)
        return 0;
      if (!p->HasExplicitIndex()) {
        if (counter_ == INT32_MAX)
          return kZErrIllegalPropertyValue;
        p->SetUserIndex(counter_);
      }
      counter_ = p->GetUserIndex(false) + 1;  // an index is below INT32_MAX, so this cannot overflow
      return 0;
    }
    case kZMLEventChildDestroy: {
      IEventListener* child = static_cast<ZMLEventChild*>(event)->Child();
      items_.erase(std::remove(items_.begin(), items_.end(), child), items_.end());
      return 0;
    }
    default: return 0;
  }
}

namespace {

// The first parameter, depth first in document order, for which match answers true. Lists may
// nest as deep as the markup allows, so the walk keeps its own stack.
template <typename Match>
ZParameter* FindFirst(const ZParameterList& top, Match match) {
  struct Frame {
    const ZParameterList* list;
    size_t next;
  };
  std::vector<Frame> stack{{&top, 0}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next >= f.list->Items().size()) {
      stack.pop_back();
      continue;
    }
    IEventListener* item = f.list->Items()[f.next++];
    if (auto* p = dynamic_cast<ZParameter*>(item)) {
      if (match(*p))
        return p;
    } else if (auto* list = dynamic_cast<ZParameterList*>(item)) {
      stack.push_back({list, 0});
    }
  }
  return nullptr;
}

}  // namespace

ZParameter* ZParameterList::FindByUserIndex(int32_t index) const {
  return FindFirst(*this, [index](const ZParameter& p) { return p.GetUserIndex(false) == index; });
}

ZParameter* ZParameterList::FindByName(std::string_view name) const {
  return FindFirst(*this, [name](const ZParameter& p) { return p.GetName().View() == name; });
}

}  // namespace ZTools
