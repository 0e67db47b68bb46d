// ZPaneEvent: what panes post to the pane manager, their parent or the window. The identifier
// (zpanewords.h) says who handles it; the data fields are used by the events that need them:
// text (PaneSetText, SystemShowTrackInfo, SystemShowToolTip, ToolTipSetText), value
// (ParentButtonEnabled's state, the window settings), point and rect (the System…Get… questions,
// answered in place by the manager).
#pragma once

#include <cstdint>

#include "ztools/base/zevent.h"
#include "ztools/zgeometry.h"
#include "ztools/zpanewords.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZView;

class ZPaneEvent : public ZEvent {
 public:
  ZPaneEvent(uint32_t id, ZView* sender) noexcept : ZEvent(id, sender) {}

  ZView* Pane() const noexcept { return static_cast<ZView*>(Sender()); }
  uint32_t Family() const noexcept { return Id() & kPaneEventFamilyMask; }

  const ZString& Text() const noexcept { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  int32_t Value() const noexcept { return value_; }
  void SetValue(int32_t value) noexcept { value_ = value; }
  ZPoint Point() const noexcept { return point_; }
  void SetPoint(ZPoint p) noexcept { point_ = p; }
  ZRect Rect() const noexcept { return rect_; }
  void SetRect(const ZRect& r) noexcept { rect_ = r; }

  // "SystemRedraw", or "PaneEvent 0x…" for an identifier outside the table, with its text.
  ZString Describe() const override;

 private:
  ZString text_;
  int32_t value_ = 0;
  ZPoint point_;
  ZRect rect_;
};

}  // namespace ZTools
