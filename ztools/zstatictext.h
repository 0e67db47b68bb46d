// StaticTextView (`statictext`): `text` in `color` (default white) and `font` (a font word;
// default `normal standard`), placed by the `textalign` words (default `left,vcenter`), with a
// one-pixel dark shadow below and right with `textshadow`. Scripts and panes change the text with
// a PaneSetText event, which redraws it.
#pragma once

#include "ztools/zcolor.h"
#include "ztools/zview.h"

namespace ZTools {

inline constexpr const char* kStaticTextDeclaration =
    "interface_zpane::statictext flags? align? size? pos? color? text? font? textalign? textshadow? ()";

class StaticTextView : public ZView {
 public:
  void Draw(ZDrawContext& context) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kStaticTextDeclaration; }

  const ZString& Text() const noexcept { return text_; }
  // Changes the text and redraws when it differs.
  void SetText(std::string_view text);

 protected:
  int32_t OnPaneEvent(ZPaneEvent& event) override;

 private:
  ZString text_;
  ZColor color_{255, 255, 255};
  int32_t font_ = 1;
  uint32_t align_ = 0x1 | 0x10;  // left, vcenter
  bool shadow_ = false;
};

// Draws text with an optional one-pixel shadow in a darkened copy of the colour; used by the
// panes that write titles and labels.
void DrawTextWithShadow(ZDrawContext& context, std::string_view text, const ZRect& rect, uint32_t align, ZColor color,
                        bool shadow);

}  // namespace ZTools
