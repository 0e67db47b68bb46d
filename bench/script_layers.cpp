// bench-links: zbindings
// What script controls cost to draw. A 1920x1080 script control with 500 layers (400 filled
// rectangles, 50 of them translucent, 50 framed, and 100 texts) redrawn whole (target: under
// 8 ms a frame), and a frame in which nothing changed: an idle tick that moves nothing and the
// redraw of what became invalid, which must draw nothing at all.
#include <benchmark/benchmark.h>

#include <string>

#include "bindings/zsspanemanager.h"
#include "platform/dialog.h"
#include "ztools/zdrawcontext.h"

using namespace ZTools;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

std::string Skin() {
  const std::string script =
      "import RectLayer; import TextLayer; import Random;"
      "class Field : Control { method Field(NativeControl c) { Random r = new Random(3.0);"
      " for (int i = 0; i < 400; i++) { RectLayer l = new RectLayer(); l.fill = 1;"
      "  l.SetColor(new Color(r.GetIntRange(255), r.GetIntRange(255), r.GetIntRange(255)));"
      "  if (i % 8 == 0) l.opacity = 128; if (i % 8 == 1) l.style = k3DRectRaised | k3DRectSmallEdge;"
      "  l.SetRect(Rect::FromPoint(new Point(r.GetIntRange(1800), r.GetIntRange(1000)), 20 + r.GetIntRange(100),"
      "   20 + r.GetIntRange(80))); c.AddLayer(l); }"
      " for (int i = 0; i < 100; i++) { TextLayer t = new TextLayer(); t.text = \"Station \" + i;"
      "  t.SetColor(new Color(255, 255, 255)); t.MoveTo(r.GetIntRange(1800), r.GetIntRange(1040));"
      "  t.ResizeTo(120, 20); c.AddLayer(t); } }"
      " method Open() { } method Close() { } method Idle() { } method OnStopDrag() { }"
      " method int OnClick(int b, int x, int y) { return 0; } method int OnStartDrag(int b, int x, int y) { return 0; }"
      " method int OnDrag(int b, int x, int y) { return 0; } method int OnWheel(int b, int x, int y, float d) { return "
      "0; }"
      " method OnMouseEnter() { } method OnMouseLeave() { } method int OnKey(int key) { return 0; }"
      " method TakeFocus() { } method RemoveFocus() { } method int ParameterChanged(Parameter p) { return 0; } }";
  return "<zml><scripts><script name='s' text='" + script +
         "'/></scripts><surfaces><surface><views><colorbox size='1920,1080' color='#102030'>"
         "<scriptcontrol size='1920,1080' script='s' class='Field' flags='default,wantidle'/>"
         "</colorbox></views></surface></surfaces></zml>";
}

struct Loaded {
  Platform::DialogCapture quiet;
  ZSSPaneManager m;
  ZDrawContext context;
  bool ok = false;
  Loaded() {
    context.Resize(kWidth, kHeight);
    ok = !m.Initialize() && !m.LoadSkinText(Skin());
    if (!ok)
      return;
    m.ResizeRootArea(kWidth, kHeight);
    ok = !m.Create() && !m.Open();
    m.DrawInvalid(context);
  }
};

void BM_RedrawFiveHundredLayers(benchmark::State& state) {
  Loaded l;
  if (!l.ok) {
    state.SkipWithError("the skin did not build");
    return;
  }
  for (auto _ : state)
    l.m.Draw(l.context, {0, 0, kWidth, kHeight});
}

void BM_FrameWithoutChanges(benchmark::State& state) {
  Loaded l;
  if (!l.ok) {
    state.SkipWithError("the skin did not build");
    return;
  }
  uint64_t now = 0;
  size_t drawn = 0;
  for (auto _ : state) {
    l.m.Idle(now += 20);
    drawn += l.m.DrawInvalid(l.context);
  }
  state.counters["rectangles_drawn"] = double(drawn);
}

BENCHMARK(BM_RedrawFiveHundredLayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameWithoutChanges)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
