// ScrollView (`scrollview`): its children scroll inside a ScrollClient pane, moved by a
// horizontal and a vertical scroll bar (zscrollbar.h) that the view makes itself: real child
// panes, `scrollsize` pixels thick, in `scrollhandlecolor` on `scrollbackcolor`, along the
// bottom and the right edge. `hashscroll` and `hasvscroll` say which bars exist; with `autohide`
// (the default) a bar shows only while the content is larger than the client along its axis.
// The view lays its parts out when it opens, when it is resized, and at idle time when the
// content's size changed. A wheel turn over the view goes to the vertical bar when it shows,
// else to the horizontal one. `backcolor` fills the view; `border` frames it (yes, or a colour
// that the bars' frames take as well).
#pragma once

#include <cstdint>
#include <memory>

#include "ztools/zcolor.h"
#include "ztools/zscrollbar.h"
#include "ztools/zview.h"

namespace ZTools {

inline constexpr const char* kScrollViewDeclaration =
    "interface_zpane::scrollview flags? align? size? pos? backcolor? scrollsize? autohide? hashscroll? hasvscroll? "
    "scrollhandlecolor? wheelunits? scrollbackcolor? border? ( interface_zpane* )";

inline constexpr uint32_t kScrollViewFlags = kDefaultFlags | kWantWheel | kWantIdle;
inline constexpr int32_t kDefaultScrollSize = 12;
inline constexpr const char* kHorizontalScrollTip = "Click or drag to scroll horizontally";
inline constexpr const char* kVerticalScrollTip = "Click or drag to scroll vertically";

// The pane the scroll view's children live in; its scroll offset is the bars' positions.
class ScrollClient : public ZView {
 public:
  // The far corner of the shown children (in content coordinates), not counting the client's
  // own frame: the size the bars scroll over.
  ZPoint ChildrenExtent();
};

class ScrollView : public ZView {
 public:
  ScrollView();
  ~ScrollView() override;

  const char* Declaration() const override { return kScrollViewDeclaration; }
  uint32_t DefaultFlags() const override { return kScrollViewFlags; }
  int32_t OnCreate() override;
  int32_t OnFinish() override;
  int32_t Open() override;
  int32_t Idle() override;
  void Draw(ZDrawContext& context) override;
  int32_t OnWheel(uint32_t buttons, ZPoint p, float delta) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  // Children from the markup (and scripts) go into the client; the view's own parts stay here.
  int32_t AddChild(ZView* child) override;
  bool RemoveChild(ZView* child) override;

  ScrollClient& Client() noexcept { return *client_; }
  HScrollBar& HorizontalBar() noexcept { return *hbar_; }
  VScrollBar& VerticalBar() noexcept { return *vbar_; }
  // Places the client and the bars for the view's size and the content's size.
  void Layout();

 protected:
  int32_t OnPaneEvent(ZPaneEvent& event) override;
  void AlignChildren(int32_t dx, int32_t dy) override;

 private:
  int32_t BorderWidth() const { return border_ ? 1 : 0; }
  bool IsPart(const ZView* pane) const { return pane == client_.get() || pane == hbar_.get() || pane == vbar_.get(); }
  // Gives the bars what the view's properties say.
  void ConfigureBars();
  void PlaceBar(HScrollBar& bar, bool shown, const ZRect& rect);
  // The parts were added before the view had a parent; adding them again brings their nesting
  // depth up to date, so the depth limit holds inside scroll views as well.
  void ReattachParts();

  std::unique_ptr<ScrollClient> client_;
  std::unique_ptr<HScrollBar> hbar_;
  std::unique_ptr<VScrollBar> vbar_;
  ZColor back_;
  ZColor barHandle_{160, 160, 160};
  ZColor barBack_{64, 64, 64};
  double wheel_ = kDefaultScrollWheelUnits;
  ZColor borderColor_{128, 128, 128};
  bool border_ = false;
  bool borderColorGiven_ = false;
  bool autohide_ = true;
  bool hasH_ = true;
  bool hasV_ = true;
  int32_t scrollSize_ = kDefaultScrollSize;
  ZPoint lastExtent_{-1, -1};
  ZPoint lastSize_{-1, -1};
};

}  // namespace ZTools
