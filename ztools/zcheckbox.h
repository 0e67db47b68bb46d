// CheckBox (`checkbox`): a toggle Button (or, with `valuetoset`, a radio button) drawn as a box
// with the caption beside it and its `icon` in the box while checked.
#pragma once

#include "ztools/zbutton.h"

namespace ZTools {

inline constexpr const char* kCheckBoxDeclaration =
    "interface_zpane::checkbox flags? align? size? pos? parameter? backcolor? hoverbackcolor? textcolor? "
    "hovertextcolor? framecolor? text? font? valuetoset? icon tip? iconoffset? boxsize? textshadow? ()";

// Space between the box and the text.
inline constexpr int32_t kCheckBoxTextGap = 4;

// The box of `boxsize` stands at the pane's left edge, centred vertically, filled with
// `backcolor` (`hoverbackcolor` while hovered) and framed in `framecolor`; the text follows it
// (optionally over a one-pixel black `textshadow`). While checked, the required `icon` is drawn
// in its selected state `iconoffset` from the box's corner, so an icon holding just a tick
// mark works as it is.
class CheckBox : public Button {
 public:
  CheckBox();

  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kCheckBoxDeclaration; }
  void Draw(ZDrawContext& context) override;

  // The box, in the pane's coordinates.
  ZRect BoxRect() const;

 private:
  ZPoint boxSize_{13, 13};
  ZPoint iconOffset_;
  bool textShadow_ = false;
};

}  // namespace ZTools
