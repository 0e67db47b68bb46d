// Reference counting of events and forwarding to listener lists.
#include "ztools/base/zevent.h"

#include "ztools/base/zerror.h"

namespace ZTools {

int32_t ZEvent::Release() noexcept {
  const int32_t left = --references_;
  if (left == 0)
    delete this;
  return left;
}

ZString ZEvent::Describe() const { return ZString::Formatted("Event 0x%06x", static_cast<unsigned>(id_)); }

bool ZEventListener::AddListener(IEventListener* listener) {
  if (!listener || listeners_.Contains(listener))
    return false;
  listeners_.PushBack(listener);
  return true;
}

bool ZEventListener::RemoveListener(IEventListener* listener) { return listeners_.Remove(listener); }

int32_t ZEventListener::ForwardEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  int32_t first = 0;
  for (IEventListener* listener : listeners_.Iterate()) {
    const int32_t code = listener->OnEvent(event);
    if (code != 0 && first == 0)
      first = code;
  }
  return first;
}

}  // namespace ZTools
