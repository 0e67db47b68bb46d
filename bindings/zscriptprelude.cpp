// The script prelude texts. The constants come from the framework's own tables, so a script sees
// exactly the values the panes and the drawing context use.
#include "bindings/zscriptprelude.h"

#include <cstdint>
#include <iterator>

#include "ztools/zblend.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zpanewords.h"

namespace ZTools {
namespace {

struct Constant {
  const char* name;
  int64_t value;
};

constexpr Constant kConstants[] = {
    // pane flags
    {"kWantDraw", kWantDraw},
    {"kWantClick", kWantClick},
    {"kWantClickThru", kWantClickThru},
    {"kWantDrag", kWantDrag},
    {"kWantHover", kWantHover},
    {"kWantFocus", kWantFocus},
    {"kWantWheel", kWantWheel},
    {"kWantIdle", kWantIdle},
    {"kWantAutoOpen", kWantAutoOpen},
    {"kCanMove", kCanMove},
    {"kCanZMove", kCanZMove},
    {"kCanResize", kCanResize},
    {"kCanDrawChildren", kCanDrawChildren},
    {"kCanClipChildren", kCanClipChildren},
    {"kWantAll", kWantAll},
    {"kCanDoAll", kCanDoAll},
    {"kPaneDefault", kDefaultFlags},
    // alignment
    {"kAlignNone", kAlignNone},
    {"kAlignLeft", kAlignLeft},
    {"kAlignTop", kAlignTop},
    {"kAlignRight", kAlignRight},
    {"kAlignBottom", kAlignBottom},
    {"kAlignTopLeft", kAlignTopLeft},
    {"kAlignBottomRight", kAlignBottomRight},
    {"kAlignVCenter", kAlignVCenter},
    {"kAlignHCenter", kAlignHCenter},
    {"kAlignCenter", kAlignCenter},
    {"kAlignVResize", kAlignVResize},
    {"kAlignHResize", kAlignHResize},
    {"kAlignResize", kAlignResize},
    {"kAlignHAdjust", kAlignHAdjust},
    {"kAlignVAdjust", kAlignVAdjust},
    {"kAlignAdjust", kAlignAdjust},
    {"kAlignVResizeAbs", kAlignVResizeAbs},
    {"kAlignHResizeAbs", kAlignHResizeAbs},
    {"kAlignResizeAbs", kAlignResizeAbs},
    // mouse buttons and modifier keys
    {"kLeftButton", kLeftButton},
    {"kMiddleButton", kMiddleButton},
    {"kRightButton", kRightButton},
    {"kKeyShift", kKeyShift},
    {"kKeyControl", kKeyControl},
    {"kKeyAlt", kKeyAlt},
    // keys
    {"kKeyBackspace", kKeyBackspace},
    {"kKeyTab", kKeyTab},
    {"kKeyReturn", kKeyReturn},
    {"kKeyEsc", kKeyEsc},
    {"kKeyCursorUp", kKeyUp},
    {"kKeyCursorDown", kKeyDown},
    {"kKeyCursorLeft", kKeyLeft},
    {"kKeyCursorRight", kKeyRight},
    {"kKeyCursorHome", kKeyHome},
    {"kKeyCursorEnd", kKeyEnd},
    {"kKeyPageUp", kKeyPageUp},
    {"kKeyPageDown", kKeyPageDown},
    {"kKeyInsert", kKeyInsert},
    {"kKeyDelete", kKeyDelete},
    {"kKeyF1", kKeyF1},
    {"kKeyF2", kKeyF2},
    {"kKeyF3", kKeyF3},
    {"kKeyF4", kKeyF4},
    {"kKeyF5", kKeyF5},
    {"kKeyF6", kKeyF6},
    {"kKeyF7", kKeyF7},
    {"kKeyF8", kKeyF8},
    {"kKeyF9", kKeyF9},
    {"kKeyF10", kKeyF10},
    {"kKeyF11", kKeyF11},
    {"kKeyF12", kKeyF12},
    // 3-D rectangle styles
    {"k3DRectRaised", k3DRectRaised},
    {"k3DRectSunken", k3DRectSunken},
    {"k3DRectBrighten", k3DRectBrighten},
    {"k3DRectDarken", k3DRectDarken},
    {"k3DRectLargeEdge", k3DRectLargeEdge},
    {"k3DRectMediumEdge", k3DRectMediumEdge},
    {"k3DRectSmallEdge", k3DRectSmallEdge},
    {"k3DRectOutline", k3DRectOutline},
    {"k3DRectTopLeftOnly", k3DRectTopLeftOnly},
    {"k3DRectBottomRightOnly", k3DRectBottomRightOnly},
    {"k3DRectStrongestShading", k3DRectStrongestShading},
    {"k3DRectStrongShading", k3DRectStrongShading},
    {"k3DRectMediumShading", k3DRectMediumShading},
    {"k3DRectSoftShading", k3DRectSoftShading},
    {"k3DRectDefault", k3DRectRaised | k3DRectSmallEdge},
    // text alignment and modes
    {"kTextAlignLeft", kTextAlignLeft},
    {"kTextAlignCenter", kTextAlignCenter},
    {"kTextAlignRight", kTextAlignRight},
    {"kTextAlignTop", kTextAlignTop},
    {"kTextAlignVCenter", kTextAlignVCenter},
    {"kTextAlignBottom", kTextAlignBottom},
    {"kTextAlignSingleLine", kTextAlignSingleLine},
    {"kTextAlignWordBreak", kTextAlignWordBreak},
    {"kTextModeOpaque", 0},
    {"kTextModeTransparent", 1},
    // fonts, by their index in the drawing context's font table
    {"kFontStandardSmall", 0},
    {"kFontStandardNormal", 1},
    {"kFontStandardBig", 2},
    {"kFontFixedWidthSmall", 3},
    {"kFontFixedWidthNormal", 4},
    {"kFontFixedWidthBig", 5},
    {"kFontHeadingSmall", 6},
    {"kFontHeadingNormal", 7},
    {"kFontHeadingBig", 8},
    {"kFontSystemFont", 9},
    {"kFontSmallFont", 10},
    {"kFontSymbolFont", 11},
    // blend, gradient and transition modes
    {"kBlendOpaque", kBlendOpaque},
    {"kBlendTransparent", kBlendTransparent},
    {"kBlendAlpha", kBlendAlpha},
    {"kBlendDarken", kBlendDarken},
    {"kBlendDifference", kBlendDifference},
    {"kBlendLighten", kBlendLighten},
    {"kBlendMultiply", kBlendMultiply},
    {"kBlendScreen", kBlendScreen},
    {"kBlendLuminosity", kBlendLuminosity},
    {"kBlendGrayscale", kBlendGrayscale},
    {"kBlendHardLight", kBlendHardLight},
    {"kBlendSoftLight", kBlendSoftLight},
    {"kBlendDynamicTint", kBlendDynamicTint},
    {"kBlendGamma", kBlendGamma},
    {"kBlendColorBlend", kBlendColorBlend},
    {"kBlendColorMultiply", kBlendColorMultiply},
    {"kBlendSaturate", kBlendSaturate},
    {"kGradientDiagonal", kGradientDiagonal},
    {"kGradientHorizontal", kGradientHorizontal},
    {"kGradientVertical", kGradientVertical},
    {"kTransDither15Bit", kTransDither15Bit},
    {"kTransDither16Bit", kTransDither16Bit},
    {"kTransBlur", kTransBlur},
};
static_assert(std::size(kConstants) == 128);
static_assert(kFontCount == 12);

constexpr const char* kDeclarationsHead = "class Application;class NativeControl;class Parameter;class View;";

constexpr const char* kDeclarationsBody =
    "interface Control {method\t\t\tControl(NativeControl);method\t\t\tOpen();method\t\t\tClose();"
    "method\t\t\tIdle();method int\t\tOnClick(int button, int x, int y);"
    "method int\t\tOnStartDrag(int button, int x, int y);method int\t\tOnDrag(int button, int x, int y);"
    "method\t\t\tOnStopDrag();method int\t\tOnWheel(int button, int x, int y, float delta);"
    "method\t\t\tOnMouseEnter();method\t\t\tOnMouseLeave();method int\t\tOnKey(int key);"
    "method\t\t\tTakeFocus();method\t\t\tRemoveFocus();method int\t\tParameterChanged(Parameter);}"
    "interface Scaler {method\t\t\tScaler();method string\tValueToString(float, const Parameter);"
    "method float\tStringToValue(const string, const Parameter);"
    "method float\tNormalToValue(float, const Parameter);method float\tValueToNormal(float, const Parameter);}"
    "function Create(Application app);function Open(Application app);function Idle(Application app);"
    "function Close(Application app);function Destroy(Application app);"
    "function ParameterChanged(Application app, Parameter param);"
    "function Activate(Application app, int bActive, int bMinimized);"
    "function int Key(Application app, int key);";

constexpr const char* kNoiseGeneratorDeclaration =
    "native interface NoiseGenerator {method\t\t\tNoiseGenerator(float seed);method float\tNext();}";

constexpr const char* kLayerDeclaration =
    "accessor int   x();accessor int   y();accessor int   width();accessor int   height();"
    "accessor int   visible();accessor int   index();accessor\t\tindex(const int index);"
    "accessor int   groupID();accessor       groupID(const int id);method         Show();"
    "method         Hide();method         MoveTo(const int x, const int y);"
    "method         MoveBy(const int dx, const int dy);method         ResizeTo(const int w, const int h);"
    "method         ResizeBy(const int dw, const int dh);method var     User();"
    "method         User(var item);method Rect\tGetRect();method\t\t\tSetRect(const Rect rc);";

}  // namespace

std::string ScriptConstantsPrelude() {
  std::string text;
  for (const Constant& c : kConstants)
    text += "const int " + std::string(c.name) + " = " + std::to_string(c.value) + ";";
  return text;
}

size_t ScriptConstantCount() { return std::size(kConstants); }

std::string ScriptDeclarationsPrelude(bool hasColor, bool hasPoint, bool hasRect) {
  std::string text = kDeclarationsHead;
  if (hasColor)
    text += "import Color;";
  if (hasPoint)
    text += "import Point;";
  if (hasRect)
    text += "import Rect;";
  return text + kDeclarationsBody + kNoiseGeneratorDeclaration;
}

std::string ScriptNoiseGeneratorPrelude() { return kNoiseGeneratorDeclaration; }

std::string ScriptLayerPrelude() { return std::string("native interface Layer { ") + kLayerDeclaration + " }"; }

}  // namespace ZTools
