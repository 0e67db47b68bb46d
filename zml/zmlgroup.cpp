// A group object follows its children through the markup events.
#include "zml/zmlgroup.h"

#include <algorithm>

#include "zml/zmlevent.h"
#include "ztools/zerror.h"

namespace ZTools {

int32_t ZMLGroup::OnEvent(ZEvent* event) {
  if (!event) return kZErrNullPointer;
  switch (event->Id()) {
    case kZMLEventGetTypeDecl:
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration("interface_zmlgroup::zmlgroup(...)");
      return 0;
    case kZMLEventCreate:
      name_ = static_cast<ZMLEventCreate*>(event)->Name();
      return 0;
    case kZMLEventChildCreate:
      children_.push_back(static_cast<ZMLEventChild*>(event)->Child());
      return 0;
    case kZMLEventChildDestroy: {
      IEventListener* child = static_cast<ZMLEventChild*>(event)->Child();
      auto it = std::find(children_.begin(), children_.end(), child);
      if (it != children_.end()) children_.erase(it);
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace ZTools
