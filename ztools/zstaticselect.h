// StaticSelect (`staticselect`): a drop-down selector whose choices are its child panes. Collapsed,
// it shows the one choice whose value, rounded, equals parameter 0's value, rounded, centred in
// its own height, with its `icon` (the drop-down mark) at the right, framed in `framecolor` on
// `collapsedcolor`. A left click expands it into a list of all choices one below the other, on
// `expandedcolor`; choosing one sets parameter 0 to its value and collapses the list, and so does
// any change of the parameter; a click outside collapses it without a choice.
//
// A choice's value is the `valuetoset` its markup gives (a `menuitem`, `button` or `checkbox`
// child) and otherwise its place among the children (0 for the first). The select keeps each
// choice's value and original height itself, so any pane can be a choice. A choice that takes
// clicks (a menu item bound to the same parameter) chooses itself; any other is chosen by the
// select. `effect='shadow'` casts a shadow beside the open list.
#pragma once

#include <cstdint>
#include <vector>

#include "ztools/zcolor.h"
#include "ztools/zcontrol.h"

namespace ZTools {

class ZMLIcon;

inline constexpr const char* kStaticSelectDeclaration =
    "interface_zpane::staticselect flags? align? size? pos? parameter? framecolor? collapsedcolor? expandedcolor? "
    "icon? effect? tip? ( interface_zpane+ )";

inline constexpr uint32_t kStaticSelectFlags = kDefaultFlags | kWantClick | kWantDrag | kWantHover;
inline constexpr int32_t kStaticSelectEffectNone = 0;
inline constexpr int32_t kStaticSelectEffectShadow = 1;
// The shadow's width right of and below the open list, in pixels.
inline constexpr int32_t kStaticSelectShadow = 3;

class StaticSelect : public ZControl {
 public:
  struct Choice {
    ZView* pane;
    int32_t originalHeight;
    double valueToSet;
    bool clickThrough;  // the pane's own `wantclickthru`, kept while the select borrows the flag
  };

  StaticSelect();

  const char* Declaration() const override { return kStaticSelectDeclaration; }
  uint32_t DefaultFlags() const override { return kStaticSelectFlags; }
  int32_t OnEvent(ZEvent* event) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  int32_t OnFinish() override;
  int32_t Open() override;
  int32_t Close() override;
  void ParameterChanged(ZParameter* parameter) override;
  void Draw(ZDrawContext& context) override;
  bool IsHitAt(ZPoint p) const override;
  int32_t OnClick(uint32_t buttons, ZPoint p) override;
  bool RemoveChild(ZView* child) override;

  bool IsExpanded() const noexcept { return expanded_; }
  const std::vector<Choice>& Choices() const noexcept { return choices_; }
  // The choice that matches parameter 0, or null.
  const Choice* Selected() const;
  ZMLIcon* Icon() const noexcept { return icon_; }
  int32_t CollapsedHeight() const noexcept { return collapsedHeight_; }
  int32_t ExpandedHeight() const noexcept { return expandedHeight_; }
  void Expand();
  void Collapse();

 protected:
  int32_t OnPaneEvent(ZPaneEvent& event) override;
  void AlignChildren(int32_t dx, int32_t dy) override;

 private:
  int32_t Border() const { return frame_.set ? 1 : 0; }
  int32_t ShadowSize() const { return expanded_ && effect_ == kStaticSelectEffectShadow ? kStaticSelectShadow : 0; }
  // The list without the shadow, in the select's coordinates.
  ZRect ListRect() const { return ZRect(0, 0, Width() - ShadowSize(), Height() - ShadowSize()); }
  int32_t IconWidth() const;
  // Places, opens and shows the choices for the current state.
  void Layout();
  void Place(const Choice& choice, int32_t x, int32_t y, int32_t width, bool shown);
  void Choose(const Choice& choice);
  const Choice* ChoiceOf(const ZView* pane) const;

  std::vector<Choice> choices_;
  ZMLIcon* icon_ = nullptr;
  ZColor frame_;
  ZColor collapsedColor_;
  ZColor expandedColor_;
  int32_t effect_ = kStaticSelectEffectNone;
  bool expanded_ = false;
  ZPoint collapsedPos_;
  int32_t collapsedWidth_ = 0;
  int32_t collapsedHeight_ = 0;
  int32_t expandedHeight_ = 0;
};

}  // namespace ZTools
