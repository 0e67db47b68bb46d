// ZPaneEvent's description for logs and messages.
#include "ztools/zpaneevent.h"

namespace ZTools {

ZString ZPaneEvent::Describe() const {
  const char* name = PaneEventName(Id());
  ZString out = name ? ZString(name) : ZString::Formatted("PaneEvent 0x%x", Id());
  if (!text_.IsEmpty())
    out.AppendFormat(" Text='%s'", text_.CStr());
  return out;
}

}  // namespace ZTools
