// The pane framework's fixed words and numbers, each table written once: pane flags and
// auto-align modes (markup words and the script constants), pane event identifiers with their
// names, mouse buttons with modifier keys, and key codes. ZWord tables for the markup words are
// made from the same lists, so a word and its constant cannot drift apart.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ztools/zmarkupvalues.h"

namespace ZTools {

// X(word, constant, value)
#define ZPANE_FLAG_LIST(X) \
  X(wantdraw, kWantDraw, 0x1) \
  X(wantclick, kWantClick, 0x2) \
  X(wantclickthru, kWantClickThru, 0x4) \
  X(wantdrag, kWantDrag, 0x8) \
  X(wanthover, kWantHover, 0x10) \
  X(wantfocus, kWantFocus, 0x20) \
  X(wantwheel, kWantWheel, 0x40) \
  X(wantidle, kWantIdle, 0x80) \
  X(wantautoopen, kWantAutoOpen, 0x100) \
  X(canmove, kCanMove, 0x200) \
  X(canzmove, kCanZMove, 0x400) \
  X(canresize, kCanResize, 0x800) \
  X(candrawchildren, kCanDrawChildren, 0x1000) \
  X(canclipchildren, kCanClipChildren, 0x2000) \
  X(wantall, kWantAll, 0x1fb) \
  X(candoall, kCanDoAll, 0x3e00) \
  X(default, kDefaultFlags, 0x3101)

#define ZPANE_ALIGN_LIST(X) \
  X(none, kAlignNone, 0) \
  X(left, kAlignLeft, 1) \
  X(top, kAlignTop, 2) \
  X(right, kAlignRight, 3) \
  X(bottom, kAlignBottom, 4) \
  X(topleft, kAlignTopLeft, 5) \
  X(bottomright, kAlignBottomRight, 6) \
  X(vcenter, kAlignVCenter, 7) \
  X(hcenter, kAlignHCenter, 8) \
  X(center, kAlignCenter, 9) \
  X(vresize, kAlignVResize, 10) \
  X(hresize, kAlignHResize, 11) \
  X(resize, kAlignResize, 12) \
  X(hadjust, kAlignHAdjust, 13) \
  X(vadjust, kAlignVAdjust, 14) \
  X(adjust, kAlignAdjust, 15) \
  X(vresizeabs, kAlignVResizeAbs, 16) \
  X(hresizeabs, kAlignHResizeAbs, 17) \
  X(resizeabs, kAlignResizeAbs, 18)

// X(name, id). The first hex digits say who handles the event: 0x2000xx the window, 0x2010xx the
// pane manager, 0x2020xx the parent pane, 0x2030xx the pane itself.
#define ZPANE_EVENT_LIST(X) \
  X(SysWindowRedraw, 0x200000) \
  X(SysWindowClose, 0x200001) \
  X(SysWindowMinimize, 0x200002) \
  X(SysWindowInvalidateClick, 0x200004) \
  X(SysWindowSmoothDrag, 0x200005) \
  X(SysWindowFastUpdate, 0x200006) \
  X(SysWindowCheckMousePosition, 0x200007) \
  X(SysWindowDitherMode, 0x200008) \
  X(SysWindowResize, 0x200009) \
  X(SystemRedraw, 0x201000) \
  X(SystemStartMouseCapture, 0x201001) \
  X(SystemStopMouseCapture, 0x201002) \
  X(SystemDrawPane, 0x201003) \
  X(SystemTakeFocus, 0x201004) \
  X(SystemRemoveFocus, 0x201005) \
  X(SystemShowToolTip, 0x201006) \
  X(SystemHideToolTip, 0x201007) \
  X(SystemShowTrackInfo, 0x201008) \
  X(SystemHideTrackInfo, 0x201009) \
  X(SystemRequestUpdateSize, 0x20100a) \
  X(SystemGetRootSize, 0x20100c) \
  X(SystemGetAbsolutePoint, 0x20100d) \
  X(SystemGetAbsoluteRect, 0x20100e) \
  X(SystemGetMousePosition, 0x20100f) \
  X(SystemBeginEdit, 0x201010) \
  X(SystemEndEdit, 0x201011) \
  X(ParentMoveToTop, 0x202000) \
  X(ParentMoveToBottom, 0x202001) \
  X(ParentButtonClicked, 0x202003) \
  X(ParentButtonEnabled, 0x202004) \
  X(ParentHorizontalScroll, 0x202005) \
  X(ParentVerticalScroll, 0x202006) \
  X(PaneSetText, 0x203000) \
  X(EvtParameterChanged, 0x204000) \
  X(ToolTipSetText, 0x207000)

// Mouse buttons and modifier keys, a bit set: X(constant, value).
#define ZPANE_BUTTON_LIST(X) \
  X(kLeftButton, 1) \
  X(kMiddleButton, 2) \
  X(kRightButton, 4) \
  X(kKeyShift, 8) \
  X(kKeyControl, 16) \
  X(kKeyAlt, 32)

// Key codes: printable characters are their own code; these are the others.
#define ZPANE_KEY_LIST(X) \
  X(kKeyBackspace, 0x8) \
  X(kKeyTab, 0x9) \
  X(kKeyReturn, 0xd) \
  X(kKeyEsc, 0x1b) \
  X(kKeyUp, 0x100) \
  X(kKeyDown, 0x200) \
  X(kKeyLeft, 0x300) \
  X(kKeyRight, 0x400) \
  X(kKeyHome, 0x500) \
  X(kKeyEnd, 0x600) \
  X(kKeyPageUp, 0x700) \
  X(kKeyPageDown, 0x800) \
  X(kKeyInsert, 0xa00) \
  X(kKeyDelete, 0xb00) \
  X(kKeyF1, 0x1100) \
  X(kKeyF2, 0x1200) X(kKeyF3, 0x1300) X(kKeyF4, 0x1400) X(kKeyF5, 0x1500) X(kKeyF6, 0x1600) X(kKeyF7, 0x1700) \
      X(kKeyF8, 0x1800) X(kKeyF9, 0x1900) X(kKeyF10, 0x1a00) X(kKeyF11, 0x1b00) X(kKeyF12, 0x1c00)

#define ZPANE_DEFINE_CONSTANT(word, constant, value) inline constexpr uint32_t constant = value;
ZPANE_FLAG_LIST(ZPANE_DEFINE_CONSTANT)
#undef ZPANE_DEFINE_CONSTANT
#define ZPANE_DEFINE_CONSTANT(word, constant, value) inline constexpr int32_t constant = value;
ZPANE_ALIGN_LIST(ZPANE_DEFINE_CONSTANT)
#undef ZPANE_DEFINE_CONSTANT
#define ZPANE_DEFINE_CONSTANT(constant, value) inline constexpr uint32_t constant = value;
ZPANE_BUTTON_LIST(ZPANE_DEFINE_CONSTANT)
ZPANE_KEY_LIST(ZPANE_DEFINE_CONSTANT)
#undef ZPANE_DEFINE_CONSTANT

enum ZPaneEventId : uint32_t {
#define ZPANE_EVENT_ENUM(name, id) k##name = id,
  ZPANE_EVENT_LIST(ZPANE_EVENT_ENUM)
#undef ZPANE_EVENT_ENUM
};

// Who handles an event, by the family of its identifier.
inline constexpr uint32_t kPaneEventFamilyMask = 0xfff000;
inline constexpr uint32_t kPaneEventFamilyWindow = 0x200000;
inline constexpr uint32_t kPaneEventFamilyManager = 0x201000;
inline constexpr uint32_t kPaneEventFamilyParent = 0x202000;
inline constexpr uint32_t kPaneEventFamilyPane = 0x203000;

// Highest auto-align mode.
inline constexpr int32_t kAlignLast = kAlignResizeAbs;

std::span<const ZWord> PaneFlagWords();
std::span<const ZWord> PaneAlignWords();
// 3-D frame styles (`style`) and text alignment (`textalign`) of the drawing context.
std::span<const ZWord> FrameStyleWords();
std::span<const ZWord> TextAlignWords();
// The event's name ("SystemRedraw"), or null for an identifier outside the table.
const char* PaneEventName(uint32_t id);

}  // namespace ZTools
