// ColorBox (`colorbox`): a rectangle in `color`, optionally filled (`fill`, default yes) at an
// `opacity` (0..255, default 255), framed with the 3-D frame `style` words, with a drop shadow of
// `shadowsize` pixels inside its frame (the box shrinks by that much to make room). Children are
// allowed, so a colour box can be the background of a group of panes.
#pragma once

#include "ztools/zcolor.h"
#include "ztools/zview.h"

namespace ZTools {

inline constexpr const char* kColorBoxDeclaration =
    "interface_zpane::colorbox flags? align? size? pos? color? style? fill? opacity? shadowsize? ( interface_zpane* )";

class ColorBox : public ZView {
 public:
  void Draw(ZDrawContext& context) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kColorBoxDeclaration; }

  void SetColor(ZColor c) { color_ = c; }
  ZColor GetColor() const { return color_; }

 private:
  ZColor color_{0, 0, 0};
  uint32_t style_ = 0;
  bool fill_ = true;
  int32_t opacity_ = 255;
  int32_t shadow_ = 0;
};

}  // namespace ZTools
