// Button (`button`): a push button bound to an optional parameter 0, of one of four kinds
// (momentary, toggle, value-to-set, increment), drawn as a framed box with a caption or as an icon.
#pragma once

#include "ztools/zcolor.h"
#include "ztools/zcontrol.h"
#include "ztools/zfont.h"

namespace ZTools {

class ZMLIcon;

inline constexpr const char* kButtonDeclaration =
    "interface_zpane::button flags? align? size? pos? parameter? backcolor? hoverbackcolor? textcolor? "
    "hovertextcolor? framecolor? text? font? toggle? valuetoset? icon? tip? icononly? increment? ()";

// Pressing and releasing needs clicks, drags (to see the mouse leave while pressed) and hover.
inline constexpr uint32_t kButtonFlags = kDefaultFlags | kWantClick | kWantDrag | kWantHover;

enum class ButtonKind {
  kMomentary,
  kToggle,
  kValueToSet,
  kIncrement
};

// The kind: `valuetoset` given sets that value, else `increment` given adds that much, else
// `toggle` flips between 0 and 1, else the button is momentary (1 while held, 0 after). A left
// press turns the button on and opens an edit bracket; dragging out of the pane while pressed
// cancels the press once; the release (inside, not cancelled) makes the change, posts
// ParentButtonClicked (a toggle: ParentButtonEnabled) and closes the bracket. With `wantfocus`,
// Return and space click it. Drawn as its `icon` (with `icononly`), as the icon with the `text`
// over it, or as a framed box with the text; while on, the box's frame is doubled and the text
// moves one pixel down and right. A PaneSetText event replaces the text.
class Button : public ZControl {
 public:
  Button() { SetFlags(kButtonFlags); }

  int32_t OnEvent(ZEvent* event) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kButtonDeclaration; }
  uint32_t DefaultFlags() const override { return kButtonFlags; }
  void Draw(ZDrawContext& context) override;
  void ParameterChanged(ZParameter* parameter) override;
  // A button closed while pressed cancels the press, so no edit bracket stays open.
  int32_t Close() override;
  int32_t OnClick(uint32_t buttons, ZPoint p) override;
  int32_t OnStartDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnDrag(uint32_t buttons, ZPoint p) override;
  int32_t OnStopDrag() override;
  void OnClickRelease(uint32_t buttons) override;
  int32_t OnKey(uint32_t key) override;
  int32_t OnText(std::string_view utf8) override;

  ButtonKind Kind() const noexcept;
  // The pressed look.
  bool IsOn() const noexcept { return on_; }
  bool IsPressed() const noexcept { return pressed_; }
  const ZString& Caption() const noexcept { return look_.caption; }

 protected:
  // A PaneSetText event (View.SetText in scripts) changes the caption.
  int32_t OnPaneEvent(ZPaneEvent& event) override;

  // Text, colours and the icon, shared with the check box.
  struct Look {
    ZColor back{192, 192, 192};
    ZColor hoverBack;  // not given: follows `back`
    ZColor text{0, 0, 0};
    ZColor hoverText;  // not given: follows `text`
    ZColor frame{64, 64, 64};
    ZString caption;
    int32_t font = kFontSystem;
  };
  // The property table of the button; derived controls try theirs first.
  int32_t SetButtonProperty(std::string_view name, std::string_view value);
  ZColor BackColor() const { return IsHovered() && look_.hoverBack.set ? look_.hoverBack : look_.back; }
  ZColor TextColor() const { return IsHovered() && look_.hoverText.set ? look_.hoverText : look_.text; }
  // The icon state for on and hovered: a toggle or value-to-set button that is on is
  // "selected", a held momentary or increment button "pressed".
  int32_t IconState() const;
  // A frame `width` pixels wide just inside rect, in one colour.
  static void DrawFrame(ZDrawContext& context, const ZRect& rect, ZColor color, int32_t width);
  void DrawCaption(ZDrawContext& context, const ZRect& rect, uint32_t align, ZColor color) const;

  Look look_;
  ZMLIcon* icon_ = nullptr;
  bool toggle_ = false;

 private:
  void Press();
  void Cancel();
  // checkMouse: a release with the mouse outside the pane counts as cancelled.
  void Release(bool checkMouse);
  bool MatchesValue(double value) const;

  bool iconOnly_ = false;
  bool hasValueToSet_ = false;
  bool hasIncrement_ = false;
  double valueToSet_ = 0.0;
  double increment_ = 0.0;
  bool on_ = false;
  bool pressed_ = false;
  bool cancelled_ = false;
};

}  // namespace ZTools
