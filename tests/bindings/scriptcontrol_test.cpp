// Script controls through the script-enabled pane manager: pane events reach the script object
// and change parameters, the layer list operations (hit tests, order, collisions, moves between
// controls, removal during a walk), an exception in a handler, and script scalers.
#include <gtest/gtest.h>

#include <string>

#include "bindings/zsspanemanager.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

// The methods of Control a test class does not care about: input, and the rest.
constexpr const char* kNoInput =
    "method int OnClick(int b, int x, int y) { return 0; } method int OnStartDrag(int b, int x, int y) { return 0; }"
    "method int OnDrag(int b, int x, int y) { return 0; } method int OnWheel(int b, int x, int y, float d) { return 0; "
    "}";
constexpr const char* kQuiet =
    "method Open() { } method Close() { } method Idle() { } method OnStopDrag() { }"
    "method OnMouseEnter() { } method OnMouseLeave() { } method int OnKey(int key) { return 0; }"
    "method TakeFocus() { } method RemoveFocus() { } method int ParameterChanged(Parameter p) { return 0; }";

// A skin with `vol` (0..100), a `trace` string and the given views; scalers before parameters.
std::string Skin(const std::string& script, const std::string& views, const std::string& scalers = "") {
  return "<zml><scripts><script name='s' text='import RectLayer; import Parameter; " + script +
         "'/></scripts><scalers>" + scalers + "</scalers><parameters><float name='vol' range='0,100' format='%.0f'" +
         (scalers.empty() ? "" : " scaler='conv'") +
         "/><string name='trace'/></parameters><surfaces><surface><views><view name='root' size='200,100'>" + views +
         "</view></views></surface></surfaces></zml>";
}

struct Loaded {
  ZSSPaneManager m;
  int32_t code = 0;
  explicit Loaded(const std::string& skin) {
    code = m.Initialize();
    if (!code)
      code = m.LoadSkinText(skin);
    if (code)
      return;
    m.ResizeRootArea(200, 100);
    code = m.Create();
    if (!code)
      code = m.Open();
  }
  std::string Value(const char* name) { return m.FindParameter(name)->GetStringValue().c_str(); }
};

TEST(ScriptControl, DragAndWheelTurnAScriptedKnob) {
  const std::string script =
      std::string(
          "class Knob : Control { NativeControl c; int y0; float v0;"
          " method Knob(NativeControl n) { c = n; y0 = 0; v0 = 0.0; }"
          " method int OnClick(int b, int x, int y) { return 1; }"
          " method int OnStartDrag(int b, int x, int y) { y0 = y; v0 = c.GetFloat(0); return 1; }"
          " method int OnDrag(int b, int x, int y) { c.SetFloat(v0 + (y0 - y), 0); return 1; }"
          " method int OnWheel(int b, int x, int y, float d) { c.SetFloat(c.GetFloat(0) + d * 10.0, 0);"
          "   c.SetString(c.GetString(1) + \"w\" + x + \",\" + y, 1); return 1; }") +
      kQuiet + " }";
  Loaded l(Skin(script,
                "<scriptcontrol name='knob' pos='10,10' size='50,50' script='s' class='Knob' "
                "parameter='vol,trace' flags='default,wantdrag,wantwheel'/>"));
  ASSERT_EQ(l.code, 0);
  l.m.Click(1, {20, 40});
  l.m.Drag(1, {20, 40});
  l.m.Drag(1, {20, 15});
  l.m.DragStop();
  EXPECT_EQ(l.Value("vol"), "25");
  EXPECT_TRUE(l.m.Wheel(0, {30, 30}, 2.0f));
  EXPECT_EQ(l.Value("vol"), "45");
  EXPECT_EQ(l.Value("trace"), "w20,20") << "points arrive in the pane's own coordinates";
}

TEST(ScriptControl, LayerListOperations) {
  // Each case runs in the constructor of a control and leaves its answer in `trace`.
  const std::string script =
      std::string(
          "NativeControl first; RectLayer shared;\n"
          "function RectLayer L(NativeControl c, int x, int y, int w, int h) {"
          " RectLayer r = new RectLayer(); r.MoveTo(x, y); r.ResizeTo(w, h); c.AddLayer(r); return r; }\n"
          "function int Stop(Layer l) { return 1; }\n"
          "class A : Control { NativeControl c; RectLayer victim;"
          " method A(NativeControl n) { c = n; first = n; string s = \"\";"
          "  RectLayer a = L(c, 0, 0, 10, 10); RectLayer b = L(c, 5, 5, 10, 10);"
          "  s = s + (c.LayerAt(6, 6) == b) + \",\"; c.LayerToBack(b); s = s + (c.LayerAt(6, 6) == a) + \",\";"
          "  c.AddLayer(b); s = s + (c.LayerAt(6, 6) == b) + \",\";"                  // added again: moved to the top
          "  RectLayer hidden = L(c, 2, 2, 4, 4); hidden.Hide(); L(c, 10, 0, 5, 5);"  // hidden; touching a
          "  s = s + c.LayerCollision(a, null) + \",\" + c.LayerCollision(a, Stop) + \",\";"
          "  victim = b; s = s + c.LayerCollision(a, Drop) + \",\" + (c.LayerAt(6, 6) == a) + \",\";"
          "  c.SetScrollOffset(3, 4); Point p = c.GetScrollOffset(); s = s + p.x + \" \" + p.y;"
          "  c.AddLayer(a); shared = a; c.SetString(s, 0); }"
          " method int Drop(Layer l) { c.RemoveLayer(victim); c.RemoveAllLayers(); return 0; }") +
      kNoInput + kQuiet + " }\n" +
      "class B : Control { NativeControl c;"
      " method B(NativeControl n) { c = n; c.AddLayer(shared);"
      "  first.SetString(first.GetString(0) + \",\" + (first.LayerAt(1, 1) == null) + (c.LayerAt(1, 1) == shared), 0); "
      "}" +
      kNoInput + kQuiet + " }";
  Loaded l(Skin(script,
                "<scriptcontrol pos='0,0' size='50,50' script='s' class='A' parameter='trace'/>"
                "<scriptcontrol pos='60,0' size='50,50' script='s' class='B'/>"));
  ASSERT_EQ(l.code, 0);
  // LayerAt: the later layer, the earlier once the later went to the back, the later again once
  // re-added; collisions skip the hidden and the touching layer, stop at the delegate's 1, and
  // survive a delegate that empties the list; a layer added to B left A.
  EXPECT_EQ(l.Value("trace"), "1,1,1,1,1,1,0,3 4,11");
}

TEST(ScriptControl, AHandlerThatFailsLeavesTheControlUsable) {
  const std::string script =
      std::string(
          "class Shaky : Control { NativeControl c; int zero; method Shaky(NativeControl n) { c = n; zero = 0; }"
          " method int OnClick(int b, int x, int y) { return 1 / zero; }"
          " method int OnStartDrag(int b, int x, int y) { return 0; } method int OnDrag(int b, int x, int y) { return "
          "0; }"
          " method int OnWheel(int b, int x, int y, float d) { c.SetFloat(7.0, 0); return 1; }") +
      kQuiet + " }";
  Loaded l(Skin(script,
                "<scriptcontrol pos='0,0' size='50,50' script='s' class='Shaky' parameter='vol' "
                "flags='default,wantwheel'/>"));
  ASSERT_EQ(l.code, 0);
  EXPECT_FALSE(l.m.Click(1, {5, 5})) << "a failed call counts as not handled";
  EXPECT_FALSE(l.m.Click(1, {5, 5}));
  EXPECT_TRUE(l.m.Wheel(0, {5, 5}, 1.0f));
  EXPECT_EQ(l.Value("vol"), "7");
}

TEST(ScriptControl, TheExampleSkinsKnobFollowsDragAndWheel) {
  ZSetResourceSource(ZResourceSource::OpenFolder(SONABEL_SOURCE_DIR "/skins/examples/scriptcontrols"));
  {
    ZSSPaneManager m;
    ASSERT_EQ(m.Initialize(), 0);
    ASSERT_EQ(m.LoadSkin("main.zml"), 0);
    m.ResizeRootArea(320, 120);
    ASSERT_EQ(m.Create(), 0);
    ASSERT_EQ(m.Open(), 0);
    ZParameter* volume = m.FindParameter("volume");
    volume->SetFloatValue(50);
    m.Click(1, {40, 40});
    m.Drag(1, {40, 40});
    m.Drag(1, {40, 20});  // 20 pixels up: a fifth of the range
    m.DragStop();
    EXPECT_EQ(std::string(volume->GetStringValue().c_str()), "loud 70");
    m.Wheel(0, {40, 40}, -2.0f);
    EXPECT_EQ(std::string(volume->GetStringValue().c_str()), "medium 60");
    for (uint64_t t = 20; t <= 200; t += 20)
      m.Idle(t);  // the bars and the title move
  }
  ZCloseResourceSource();
}

TEST(ScriptScaler, ConvertsThroughTheScriptAndReadsNonNumbersAsZero) {
  const std::string script =
      "class Conv : Scaler { method Conv() { }"
      " method string ValueToString(float v, const Parameter p) { return \"v\" + (int) v + p.GetName(); }"
      " method float StringToValue(const string s, const Parameter p) { return (float) s * 2.0; }"
      " method float NormalToValue(float n, const Parameter p) { if (n == 0.5) return 0.0 / 0.0; return n * 100.0; }"
      " method float ValueToNormal(float v, const Parameter p) { return v / 100.0; } }";
  Loaded l(Skin(script, "", "<scriptscaler name='conv' script='s' class='Conv'/>"));
  ASSERT_EQ(l.code, 0);
  ZParameter* vol = l.m.FindParameter("vol");
  vol->SetFloatValue(30);
  EXPECT_EQ(l.Value("vol"), "v30vol");
  vol->SetFloatValue(50);
  EXPECT_EQ(vol->GetFloatValue(), 0.0) << "NaN reads as 0";
  vol->SetStringValue("4");
  EXPECT_NEAR(vol->GetFloatValue(), 8.0, 1e-4);
}

}  // namespace
}  // namespace ZTools
