// The value classes Color, Point and Rect as scripts use them: channel limits, HSL conversion
// both ways, gamma and blending, point and rectangle geometry with clipping and centring, value
// copies, and hostile numbers (NaN, infinities, ints at their limits) that must stay defined.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "bindings/zsspanemanager.h"
#include "bindings/zvalueclasses.h"
#include "tests/bindings/testscript.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

// Formatting helpers every case's script may use.
constexpr const char* kHelpers =
    "import Color; import Point; import Rect;\n"
    "function string C(Color c) { return \"\" + c.red + \",\" + c.green + \",\" + c.blue; }\n"
    "function string P(Point p) { return \"\" + p.x + \",\" + p.y; }\n"
    "function string R(Rect r) { return \"\" + r.left + \",\" + r.top + \",\" + r.right + \",\" + r.bottom; }\n"
    "function int K(float v) { return v * 1000 + 0.5; }\n";

// A runtime with the three classes, running `main(float x)` of the helpers plus `body`.
std::string Main(const std::string& body, double x) {
  TestScript t({ColorTypeProc, PointTypeProc, RectTypeProc},
               std::string(kHelpers) + "function string main(float x) { " + body + " }\n");
  if (t.code)
    return "build failed: " + t.log;
  ZILHandle* r = t.Call("main", 1, ZIL_ARG_FLOAT, x);
  if (r && r->type == ZIL_TYPE_EXCEPTION) {
    const std::string text = "error " + std::to_string(r->payload.l);
    t.Free(r);
    return text;
  }
  return r && r->type == ZIL_TYPE_STRING ? t.Text(r) : (t.Free(r), "not a string");
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Case {
  const char* what;
  const char* body;  // `x` is the float argument
  double x;
  const char* expected;
};

void RunCases(const Case* cases, size_t count) {
  for (size_t i = 0; i < count; i++) {
    EXPECT_EQ(Main(cases[i].body, cases[i].x), cases[i].expected) << cases[i].what;
  }
}

TEST(ColorClass, ChannelsGammaAndBlend) {
  const Case cases[] = {
      {"channels limited at both ends", "return C(new Color(300, -5, 10));", 0, "255,0,10"},
      {"setters limited at both ends",
       "Color c = new Color(); c.red = -5; c.green = 999; c.blue = -2147483647; return C(c);", 0, "0,255,0"},
      {"invert", "Color c = new Color(0, 128, 255); c.Invert(); return C(c);", 0, "255,127,0"},
      {"gamma 0 changes nothing", "Color c = new Color(64, 128, 255); c.Gamma(x); return C(c);", 0, "64,128,255"},
      {"gamma 1 keeps every channel", "Color c = new Color(0, 77, 255); c.Gamma(x); return C(c);", 1, "0,77,255"},
      {"gamma 2", "Color c = new Color(64, 128, 255); c.Gamma(x); return C(c);", 2, "128,181,255"},
      {"negative gamma clamps", "Color c = new Color(0, 128, 255); c.Gamma(x); return C(c);", -1, "255,255,255"},
      {"NaN gamma changes nothing", "Color c = new Color(1, 2, 3); c.Gamma(x); return C(c);", kNaN, "1,2,3"},
      {"infinite gamma", "Color c = new Color(0, 2, 3); c.Gamma(x); return C(c);", kInf, "255,255,255"},
      {"tiny gamma", "Color c = new Color(0, 254, 255); c.Gamma(x); return C(c);", 1e-300, "0,0,255"},
      {"blend halfway",
       "Color c = new Color(); c.Blend(new Color(0, 100, 200), new Color(255, 0, 200), x); return C(c);", 0.5,
       "127,50,200"},
      {"blend 0 and 1 give the ends",
       "Color s = new Color(0, 100, 200); Color d = new Color(255, 0, 7); Color a = new Color(); a.Blend(s, d, 0.0);"
       " Color b = new Color(); b.Blend(s, d, 1.0); return C(a) + \"/\" + C(b);",
       0, "0,100,200/255,0,7"},
      {"blend beyond 1 clamps",
       "Color c = new Color(); c.Blend(new Color(0, 100, 200), new Color(255, 0, 200), x); return C(c);", 2,
       "255,0,200"},
      {"blend below 0 clamps",
       "Color c = new Color(); c.Blend(new Color(0, 100, 200), new Color(255, 0, 200), x); return C(c);", -1,
       "0,200,200"},
      {"blend by infinity",
       "Color c = new Color(); c.Blend(new Color(0, 100, 200), new Color(255, 0, 200), x); return C(c);", kInf,
       "255,0,200"},
      {"NaN blend changes nothing",
       "Color c = new Color(1, 2, 3); c.Blend(new Color(), new Color(255, 255, 255), x); return C(c);", kNaN, "1,2,3"},
      {"copy constructor", "Color a = new Color(1, 2, 3); Color b = new Color(a); a.red = 9; return C(b);", 0, "1,2,3"},
  };
  RunCases(cases, std::size(cases));
}

TEST(ColorClass, HslBothWays) {
  const Case cases[] = {
      {"pure red",
       "Color c = new Color(255, 0, 0); return \"\" + K(c.hue) + \",\" + K(c.saturation) + \",\" + K(c.luminance);", 0,
       "0,1000,500"},
      {"pure blue", "return \"\" + K(new Color(0, 0, 255).hue);", 0, "240000"},
      {"cyan", "return \"\" + K(new Color(0, 255, 255).hue);", 0, "180000"},
      {"mixed dark",
       "Color c = new Color(100, 150, 200); return \"\" + K(c.hue) + \",\" + K(c.saturation) + \",\" + K(c.luminance);",
       0, "210000,476,588"},
      {"mixed light orange", "Color c = new Color(255, 128, 0); return \"\" + K(c.hue) + \",\" + K(c.saturation);", 0,
       "30118,1000"},
      {"grey has no hue",
       "Color c = new Color(128, 128, 128); return \"\" + K(c.hue) + \",\" + K(c.saturation) + \",\" + K(c.luminance);",
       0, "0,0,502"},
      {"cache follows the channels",
       "Color c = new Color(255, 0, 0); float h = c.hue; c.blue = 255; return \"\" + K(c.hue);", 0, "300000"},
      {"hue 360 is red", "return C(Color::FromHSL(x, 1.0, 0.5));", 360, "255,0,0"},
      {"hue 120 rounds to full green", "return C(Color::FromHSL(x, 1.0, 0.5));", 120, "0,255,0"},
      {"mixed colour round trip", "return C(Color::FromHSL(x, 0.47619, 0.58824));", 210, "100,150,200"},
      {"no saturation is grey", "return C(Color::FromHSL(x, 0.0, 0.5));", 77, "128,128,128"},
      {"NaN components count as 0", "return C(Color::FromHSL(x, x, x));", kNaN, "0,0,0"},
      {"infinite components are clamped", "return C(Color::FromHSL(x, x, x));", kInf, "255,255,255"},
      {"hue setter clamps to 360",
       "Color c = new Color(255, 0, 0); c.hue = 400.0; return \"\" + K(c.hue) + \" \" + C(c);", 0, "360000 255,0,0"},
      {"hue setter recomputes channels", "Color c = new Color(255, 0, 0); c.hue = x; return C(c);", 240, "0,0,255"},
      {"NaN luminance is 0", "Color c = new Color(255, 0, 0); c.luminance = x; return C(c);", kNaN, "0,0,0"},
      {"saturation setter", "Color c = new Color(255, 0, 0); c.saturation = x; return C(c);", -3, "128,128,128"},
  };
  RunCases(cases, std::size(cases));
}

TEST(PointClass, ContainmentClippingAndMoves) {
  const Case cases[] = {
      {"containment is half-open",
       "return \"\" + new Point(5, 5).IsInside(new Rect(0, 0, 5, 5)) + new Point(4, 0).IsInside(new Rect(0, 0, 5, 5));",
       0, "01"},
      {"clip beyond and before",
       "Point a = new Point(9, 9); a.ClipToRect(new Rect(0, 0, 5, 5)); Point b = new Point(-3, 2);"
       " b.ClipToRect(new Rect(0, 0, 5, 5)); return P(a) + \"/\" + P(b);",
       0, "4,4/0,2"},
      {"moves",
       "Point p = new Point(1, 2); p.Offset(10, 20); p.AddPoint(new Point(100, 200)); p.SubPoint(new Point(1, 1));"
       " return P(p) + \" \" + p.IsEqual(new Point(110, 221));",
       0, "110,221 1"},
      {"ints wrap", "Point p = new Point(2147483647, -2147483647); p.Offset(1, -2); return P(p);", 0,
       "-2147483648,2147483647"},
      {"clip to the int limit",
       "Point p = new Point(0, 0); p.ClipToRect(new Rect(-2147483647 - 1, 0, -2147483647 - 1, 5));"
       " return P(p);",
       0, "2147483647,0"},
  };
  RunCases(cases, std::size(cases));
}

TEST(RectClass, Geometry) {
  const Case cases[] = {
      {"constructors and statics",
       "return R(new Rect(new Point(1, 2), new Point(3, 4))) + \"/\" + R(Rect::FromPoint(new Point(1, 2), 3, 4)) + "
       "\"/\" +"
       " R(Rect::FromSize(3, 4));",
       0, "1,2,3,4/1,2,4,6/0,0,3,4"},
      {"accessors",
       "Rect r = new Rect(1, 2, 11, 7); return \"\" + r.width + \",\" + r.height + \",\" + r.empty + \" \" +"
       " P(r.topLeft) + \" \" + P(r.bottomRight) + \" \" + new Rect(3, 0, 3, 9).empty;",
       0, "10,5,0 1,2 11,7 1"},
      {"centre ignores where src lies",
       "Rect r = new Rect(10, 10, 20, 20); r.CenterIn(new Rect(0, 0, 30, 30)); return R(r);", 0, "20,20,30,30"},
      {"centre in a smaller rect truncates toward zero",
       "Rect r = new Rect(0, 0, 25, 25); r.CenterIn(new Rect(0, 0, 10, 10)); return R(r);", 0, "-7,-7,18,18"},
      {"horizontal and vertical centring",
       "Rect a = new Rect(0, 0, 10, 10); a.HCenterIn(new Rect(0, 0, 20, 30));"
       " Rect b = new Rect(0, 0, 10, 10); b.VCenterIn(new Rect(0, 0, 20, 30)); return R(a) + \"/\" + R(b);",
       0, "5,0,15,10/0,10,10,20"},
      {"clip to the overlap",
       "Rect r = new Rect(0, 0, 10, 10); int k = r.ClipInside(new Rect(5, 5, 20, 20)); return \"\" + k + \" \" + R(r);",
       0, "1 5,5,10,10"},
      {"touching rects do not clip",
       "Rect r = new Rect(0, 0, 10, 10); int k = r.ClipInside(new Rect(10, 0, 20, 10));"
       " return \"\" + k + \" \" + R(r) + \" \" + new Rect(0, 0, 10, 10).IsOverlapping(new Rect(10, 0, 20, 10));",
       0, "0 0,0,0,0 0"},
      {"empty rects do not clip",
       "Rect r = new Rect(0, 0, 10, 10); int k = r.ClipInside(new Rect(3, 3, 3, 8)); return \"\" + k + \" \" + R(r);",
       0, "0 0,0,0,0"},
      {"clip destination moves the source point",
       "Rect d = new Rect(-10, -5, 50, 50); Point s = new Point(3, 4); int k = new Rect(0, 0, 40, "
       "100).ClipDestination(d, s);"
       " return \"\" + k + \" \" + R(d) + \" \" + P(s);",
       0, "1 0,0,40,50 13,9"},
      {"clip destination outside changes nothing",
       "Rect d = new Rect(100, 0, 120, 10); Point s = new Point(3, 4); int k = new Rect(0, 0, 100, "
       "100).ClipDestination(d, s);"
       " return \"\" + k + \" \" + R(d) + \" \" + P(s);",
       0, "0 100,0,120,10 3,4"},
      {"clip destination into an empty clip",
       "Rect d = new Rect(0, 0, 10, 10); Point s = new Point(3, 4); int k = new Rect(0, 0, 0, 100).ClipDestination(d, "
       "s);"
       " return \"\" + k + \" \" + R(d) + \" \" + P(s);",
       0, "0 0,0,10,10 3,4"},
      {"scale grows on every side", "Rect r = new Rect(10, 10, 20, 20); r.Scale(2, 3); return R(r);", 0, "8,7,22,23"},
      {"combine does not skip empty rects", "Rect r = new Rect(); r.Combine(new Rect(5, 5, 10, 10)); return R(r);", 0,
       "0,0,10,10"},
      {"moves and sizes",
       "Rect r = new Rect(1, 2, 3, 4); r.MoveTo(new Point(10, 20)); r.Offset(1, 1); r.ResizeBy(5, 5);"
       " r.AddPoint(new Point(100, 0)); r.SubPoint(new Point(0, 100)); return R(r);",
       0, "111,-79,118,-72"},
      {"resize and field arithmetic",
       "Rect r = new Rect(1, 2, 3, 4); r.Resize(10, 20); r.AddRect(new Rect(1, 1, 1, 1));"
       " r.SubRect(new Rect(0, 0, 2, 2)); return R(r) + \" \" + r.IsInside(new Rect(2, 3, 10, 21)) + r.IsEqual(new "
       "Rect(2, 3, 10, 21));",
       0, "2,3,10,21 11"},
      {"width at the int limits wraps",
       "Rect r = new Rect(-2147483647, 0, 2147483647, 1); r.Scale(2, 0);"
       " return \"\" + r.width + \" \" + R(r);",
       0, "2 2147483647,0,-2147483647,1"},
      {"copies are separate values", "Rect a = new Rect(1, 2, 3, 4); Rect b = new Rect(a); b.left = 9; return R(a);", 0,
       "1,2,3,4"},
      {"a null rect is an error", "Rect n = null; Rect r = new Rect(); r.CenterIn(n); return R(r);", 0, "error 1101"},
  };
  RunCases(cases, std::size(cases));
}

TEST(ValueClasses, ClassInformationAndBadCalls) {
  TestScript rt({ColorTypeProc, PointTypeProc, RectTypeProc}, kHelpers);
  ASSERT_EQ(rt.code, 0) << rt.log;
  for (NTLTypeProc proc : {ColorTypeProc, PointTypeProc, RectTypeProc}) {
    ZILUnknown* name = nullptr;
    ASSERT_EQ(proc(nullptr, NTL_GetClassName, 0, nullptr, &name), 0);
    SCOPED_TRACE(static_cast<const char*>(name));
    EXPECT_EQ(proc(nullptr, NTL_GetInterfaceVersion, 0, nullptr, nullptr), 0x01000302);
    EXPECT_EQ(proc(nullptr, NTL_GetAuthorVersion, 0, nullptr, nullptr), 1);
    NTLInstance inst{NTLTypeNameToTypeID(rt.ps, static_cast<const char*>(name)), 0, rt.ps, nullptr};
    ZILUnknown* object = nullptr;
    ASSERT_EQ(proc(&inst, NTL_NewObject, 0, nullptr, &object), 0);
    EXPECT_EQ(proc(&inst, NTL_CallMember, 37, object, nullptr), ZIL_ERR_Invalid_Function_Index);
    EXPECT_EQ(proc(&inst, NTL_CallStatic, 37, nullptr, nullptr), ZIL_ERR_Invalid_Function_Index);
    EXPECT_EQ(proc(&inst, 99, 0, nullptr, nullptr), ZIL_ERR_Unsupported_Native_Call);
    EXPECT_EQ(proc(&inst, NTL_DestroyObject, 0, object, nullptr), 0);
  }
}

TEST(ValueClasses, SkinScriptsHaveThemWithoutImporting) {
  ZSSPaneManager m;
  ASSERT_EQ(m.Initialize(), 0);
  ASSERT_EQ(
      m.LoadSkinText("<zml><parameters><string name='out'/></parameters><scripts><script text='"
                     "import Application; function Create(Application app) { Rect r = new Rect(1, 2, 4, 6); Color c = "
                     "new Color(1, 2, 3);"
                     " app.SetParameter(\"out\", \"\" + r.width + r.bottomRight.y + c.blue); }'/></scripts>"
                     "<surfaces><surface><views><view name='root' size='20,10'/></views></surface></surfaces></zml>"),
      0);
  ASSERT_EQ(m.Create(), 0);
  EXPECT_STREQ(m.FindParameter("out")->GetStringValue().c_str(), "363");
}

}  // namespace
}  // namespace ZTools
