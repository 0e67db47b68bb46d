// ZPane: the abstract pane, the interface every element of a skin's pane tree offers. Its
// operations are declared in slot order; ZView (zview.h) implements them all and is the base of
// every visible element, and ZControl appends its own after them. Input handlers answer
// non-zero when they took the input. Points passed to handlers are in the pane's own
// coordinates (0,0 is its top-left corner); a pane's frame is in its parent's coordinates.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/base/zevent.h"
#include "ztools/zgeometry.h"
#include "ztools/base/zlinkedlist.h"

namespace ZTools {

class ZDrawContext;
class ZMLParser;
class ZView;

class ZPane : public IEventListener {
 public:
  ~ZPane() override = default;
  // IEventListener: markup events (0x1000xx) and the pane events addressed to this pane.
  int32_t OnEvent(ZEvent* event) override = 0;
  virtual int32_t OnCreate() = 0;
  virtual int32_t OnFinish() = 0;
  virtual int32_t Open() = 0;
  virtual int32_t Close() = 0;
  virtual int32_t OnDestroy() = 0;
  virtual int32_t Idle() = 0;
  virtual void Draw(ZDrawContext& context) = 0;
  virtual int32_t OnClick(uint32_t buttons, ZPoint p) = 0;
  virtual int32_t OnDrag(uint32_t buttons, ZPoint p) = 0;
  virtual int32_t OnMouseEnter() = 0;
  virtual int32_t OnMouseLeave() = 0;
  virtual int32_t OnKey(uint32_t key) = 0;
  virtual int32_t OnStartDrag(uint32_t buttons, ZPoint p) = 0;
  virtual int32_t OnStopDrag() = 0;
  virtual int32_t OnWheel(uint32_t buttons, ZPoint p, float delta) = 0;
  // Input released anywhere after a click on this pane (the button set that went up).
  virtual void OnClickRelease(uint32_t buttons) = 0;
  // Typed text for the focus pane: one or more characters as UTF-8 (keys that edit or move, such
  // as Backspace, Tab, Return, Esc and the cursor keys, come through OnKey instead).
  virtual int32_t OnText(std::string_view utf8) = 0;
  virtual void TakeFocus() = 0;
  virtual void RemoveFocus() = 0;
  virtual uint32_t GetFlags() const = 0;
  virtual ZPoint GetPosition() const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual ZRect GetRect() const = 0;
  virtual ZRect GetExtraClipRect() const = 0;
  virtual int32_t GetAutoAlign() const = 0;
  virtual int32_t GetTag() const = 0;
  virtual ZPoint GetScrollOffset() const = 0;
  virtual bool HasFlag(uint32_t flags) const = 0;
  virtual bool IsVisible() const = 0;
  virtual bool HasFocus() const = 0;
  virtual bool IsHitAt(ZPoint p) const = 0;
  virtual void SetTag(int32_t tag) = 0;
  // Draws the pane and its children into the context; clip is in root coordinates and origin
  // is the root position of the parent's content (its top-left minus its scroll offset).
  virtual void Paint(ZDrawContext& context, const ZRect& clip, ZPoint origin) = 0;
  virtual void SetFlags(uint32_t flags) = 0;
  virtual void SetPosition(int32_t x, int32_t y) = 0;
  virtual void SetSize(int32_t width, int32_t height) = 0;
  virtual void SetExtraClipRect(const ZRect& rect) = 0;
  virtual void SetAutoAlign(int32_t mode) = 0;
  virtual void SetScrollOffset(ZPoint offset) = 0;
  virtual void MoveBy(int32_t dx, int32_t dy) = 0;
  virtual void ResizeBy(int32_t dx, int32_t dy) = 0;
  virtual ZPoint GetContentSize() const = 0;
  // The child list: add (at the end), remove, count, the child at an index.
  virtual int32_t AddChild(ZView* child) = 0;
  virtual bool RemoveChild(ZView* child) = 0;
  virtual size_t ChildCount() const = 0;
  virtual ZView* ChildAt(size_t index) = 0;
  // The children in z-order (first drawn first), safe against removal while walked.
  virtual ZLinkedList<ZView*>::Iteration Children() = 0;
  // One markup property: 0, kZErrUnknownProperty or kZErrIllegalPropertyValue (bad value), or a
  // code of the property's own.
  virtual int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) = 0;
};

}  // namespace ZTools
