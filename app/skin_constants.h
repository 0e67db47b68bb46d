// The window a skin asks for, from its markup constants: "initialwindowsize", "minwindowsize",
// "maxwindowsize" ("W,H", each 1..32000), "windowstyle" (default, resizable, nomaximize,
// noresize, invisible, translucent) and "version" (a decimal number, compared exactly with the
// player's 0.8).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ztools/zgeometry.h"

namespace ZTools {

class ZPaneManager;

inline constexpr int32_t kMaxWindowSize = 32000;
inline constexpr const char* kInvalidVersionCaption = "Sonabel - Invalid skin version";
inline constexpr const char* kInvalidVersionText =
    "The specified skin file appears to be for a newer version of Sonabel.\n"
    "Please update to the latest version of Sonabel and try the skin again.\n"
    "Sonabel will switch back to the default skin now.";

struct SkinWindow {
  ZRect minimum;  // right = width, bottom = height
  ZRect maximum{0, 0, kMaxWindowSize, kMaxWindowSize};
  ZRect initial;
  int32_t style = 1;
  bool versionTooNew = false;
};

// "W,H" with both between 1 and 32000; nothing otherwise.
std::optional<ZPoint> ParseWindowSize(std::string_view text);
// The style number of a windowstyle text (any case, trimmed); 0 for an unknown text.
int32_t ParseWindowStyle(std::string_view text);
// Whether a version text is a decimal number above 0.8, compared digit by digit (0.8 and 0.80
// pass, 0.81 does not). Text that is no number counts as no version.
bool IsNewerThanPlayer(std::string_view version);

// Reads the constants of the loaded skin (an absent or invalid one leaves its value); without
// "initialwindowsize" the window takes the current root pane's size.
SkinWindow ReadSkinWindow(ZPaneManager& manager);
// Clamps the sizes (maximum at least minimum, initial between them) and settles style 1: equal
// minimum and maximum make it 3 (no resizing), a maximum below 32000 x 32000 makes it 2.
void ResolveSkinWindow(SkinWindow& window);

// A stored "windowrect" ("L,T,R,B"): exactly four decimal integers.
std::optional<ZRect> ParseWindowRect(std::string_view text);

}  // namespace ZTools
