// The layer classes as scripts use them: clamped settings, the shared Layer members, and each
// kind drawn into a drawing context (a translucent rectangle far larger than the surface too).
#include <gtest/gtest.h>

#include <string>

#include "bindings/zlayerclasses.h"
#include "bindings/zscriptprelude.h"
#include "tests/bindings/testscript.h"

namespace ZTools {
namespace {

// A runtime with the value and layer classes running `function var main() { BODY }`; the result
// is kept until the runtime goes.
struct Runtime : TestScript {
  explicit Runtime(const std::string& body)
      : TestScript({ColorTypeProc, PointTypeProc, RectTypeProc, BitmapTypeProc, RectLayerTypeProc, TextLayerTypeProc,
                    BitmapLayerTypeProc},
                   "import Color; import Point; import Rect;" + ScriptLayerPrelude() +
                       "import RectLayer; import TextLayer; import BitmapLayer;\n"
                       "function var main() { " +
                       body + " }\n"),
        result(Call("main", 0)) {}
  ~Runtime() { Free(result); }
  std::string Text() const {
    return result && result->type == ZIL_TYPE_STRING ? ZILStringText(static_cast<ZILString*>(result->payload.p))
                                                     : "no string: " + log;
  }
  ZScriptLayer* Layer() const { return LayerFromHandle(ps, result); }
  ZILHandle* result;
};

TEST(LayerClasses, SettingsAreClampedAndSharedMembersWork) {
  Runtime rt(
      "RectLayer r = new RectLayer(); r.opacity = 90; r.shadow = 40; string s = \"\" + r.shadow + \",\" + r.opacity;"
      "r.opacity = -5; r.fill = 7; s += \",\" + r.opacity + \",\" + r.fill;"
      "BitmapLayer b = new BitmapLayer(); b.blendMode = 16; b.opacity = 300; s += \",\" + b.blendMode + \",\" + "
      "b.opacity;"
      "b.SetBitmap(null); s += \",\" + b.width;"
      "TextLayer t = new TextLayer(); t.font = 99; s += \",\" + t.font; t.font = -3; s += \",\" + t.font;"
      "t.SetRect(new Rect(2, 3, 12, 8)); t.MoveBy(1, 1); Rect g = t.GetRect();"
      "s += \",\" + g.left + \" \" + g.top + \" \" + g.right + \" \" + g.bottom;"
      "t.User(\"kept\"); t.index = 4; t.groupID = 9; t.Hide(); s += \",\" + t.User() + t.index + t.groupID + t.visible;"
      "return s;");
  EXPECT_EQ(rt.Text(), "16,90,0,1,14,255,0,11,0,3 4 13 9,kept490");
}

// A white surface with one layer drawn on it.
struct Surface : ZDrawContext {
  explicit Surface(ZScriptLayer* layer) {
    Resize(40, 40);
    SetColor(ZColor(255, 255, 255));
    FillRect(Bounds());
    if (layer)
      layer->Draw(*this);
  }
  uint32_t At(int x, int y) const { return GetPixel({x, y}); }
};

TEST(LayerClasses, RectLayersDrawFilledTranslucentAndShadowed) {
  const std::string red = "RectLayer r = new RectLayer(); r.SetColor(new Color(255, 0, 0)); r.fill = 1;";
  {
    Runtime rt(red + "r.MoveTo(5, 5); r.ResizeTo(10, 10); r.shadow = 3; return r;");
    Surface s(rt.Layer());
    EXPECT_EQ(s.At(5, 5), 0xff0000u);
    EXPECT_EQ(s.At(14, 14), 0xff0000u);
    EXPECT_EQ(s.At(4, 4), 0xffffffu);
    EXPECT_LT(s.At(16, 10) & 0xff, 0xffu) << "shadow right of the layer";
    EXPECT_EQ(s.At(20, 20), 0xffffffu);
  }
  {
    // Far larger than any surface: only the visible part is drawn off-screen.
    Runtime rt(red + "r.MoveTo(-50000, -50000); r.ResizeTo(100000, 100000); r.opacity = 128; return r;");
    Surface s(rt.Layer());
    const uint32_t p = s.At(20, 20);
    EXPECT_EQ(p >> 16, 0xffu);
    EXPECT_NEAR(double(p & 0xff), 127.0, 2.0);
  }
  {
    Runtime rt(red + "r.ResizeTo(10, 10); r.Hide(); return r;");
    EXPECT_EQ(Surface(rt.Layer()).At(5, 5), 0xffffffu);
  }
}

TEST(LayerClasses, TextLayersMeasureAndAutoSize) {
  Runtime rt("TextLayer t = new TextLayer(); t.text = \"Radio\"; t.autoSize = 1; t.MoveTo(2, 2); return t;");
  ZScriptLayer* layer = rt.Layer();
  ASSERT_NE(layer, nullptr) << rt.log;
  Surface s(layer);
  EXPECT_GT(layer->width, 10);
  EXPECT_GT(layer->height, 5);
  bool inked = false;
  for (int y = 2; y < 2 + layer->height; y++)
    for (int x = 2; x < 2 + layer->width; x++)
      inked = inked || s.At(x, y) != 0xffffffu;
  EXPECT_TRUE(inked);
}

}  // namespace
}  // namespace ZTools
