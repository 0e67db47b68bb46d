// MenuItem (`menuitem`): one row of a menu or list; choosing it sets parameter 0 to
// `valuetoset`. List boxes make their rows of it.
#pragma once

#include "ztools/zcolor.h"
#include "ztools/zcontrol.h"
#include "ztools/zfont.h"

namespace ZTools {

class ZMLBitmap;
class ZMLIcon;

inline constexpr const char* kMenuItemDeclaration =
    "interface_zpane::menuitem flags? align? size? pos? parameter? backcolor? textcolor? hoverbackcolor? "
    "hovertextcolor? text? font? icon? valuetoset? suppressicon? tip? bitmap? ()";

inline constexpr uint32_t kMenuItemFlags = kDefaultFlags | kWantClick | kWantHover;
// Left margin of the icon and the text, and the space between them.
inline constexpr int32_t kMenuItemMargin = 2;

// What a row looks like; a colour that is not given (set = false) is not drawn, and a hover
// text colour that is not given follows the text colour.
struct MenuItemLook {
  ZColor back;
  ZColor text{0, 0, 0};
  ZColor hoverBack{192, 192, 192};
  ZColor hoverText;
  int32_t font = kFontSystem;
};

// Choosing (a left click, or Return or space with the focus) sets the value in one edit bracket
// and posts ParentButtonClicked. The row is highlighted (`hoverbackcolor`, `hovertextcolor`)
// while hovered and while it is the current choice (parameter 0 rounds to `valuetoset`);
// otherwise its background is the `bitmap`, else `backcolor` when given, else nothing. The
// `icon` (unless `suppressicon`) stands at the left, the `text` after it.
class MenuItem : public ZControl {
 public:
  MenuItem() { SetFlags(kMenuItemFlags); }

  int32_t OnEvent(ZEvent* event) override;
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;
  const char* Declaration() const override { return kMenuItemDeclaration; }
  uint32_t DefaultFlags() const override { return kMenuItemFlags; }
  void Draw(ZDrawContext& context) override;
  int32_t OnClick(uint32_t buttons, ZPoint p) override;
  int32_t OnKey(uint32_t key) override;
  int32_t OnText(std::string_view utf8) override;

  // The rows a list box makes are set up through these.
  void SetLook(const MenuItemLook& look) { look_ = look; }
  const MenuItemLook& Look() const noexcept { return look_; }
  void SetText(std::string_view text) { text_ = text; }
  const ZString& Text() const noexcept { return text_; }
  void SetValueToSet(double value);
  // Parameter 0 rounds to `valuetoset`.
  bool IsCurrent() const;

 private:
  void Choose();

  MenuItemLook look_;
  ZString text_;
  ZMLIcon* icon_ = nullptr;
  ZMLBitmap* bitmap_ = nullptr;
  bool suppressIcon_ = false;
  bool hasValueToSet_ = false;
  double valueToSet_ = 0.0;
};

}  // namespace ZTools
