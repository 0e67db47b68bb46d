// A group object follows its children through the markup events.
#include "zml/zmlgroup.h"

#include <algorithm>
#include <iterator>

#include "zml/zmlevent.h"
#include "ztools/base/zerror.h"

namespace ZTools {

int32_t ZMLGroup::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  switch (event->Id()) {
    case kZMLEventGetTypeDecl:
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration("interface_zmlgroup::zmlgroup(...)");
      return 0;
    case kZMLEventCreate: name_ = static_cast<ZMLEventCreate*>(event)->Name(); return 0;
    case kZMLEventChildCreate: children_.push_back(static_cast<ZMLEventChild*>(event)->Child()); return 0;
    case kZMLEventChildDestroy: {
      // Children go from the last to the first, so the search starts at the back.
      IEventListener* child = static_cast<ZMLEventChild*>(event)->Child();
      auto it = std::find(children_.rbegin(), children_.rend(), child);
      if (it != children_.rend())
        children_.erase(std::next(it).base());
      return 0;
    }
    default: return 0;
  }
}

}  // namespace ZTools
