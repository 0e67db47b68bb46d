// bench-links: ztools
// A 1920 x 1080 skin of 2,000 panes (40 colour-box groups of 49 panes each: colour boxes,
// bitmaps with an alpha plane and one-line texts) built from markup by the pane manager: one
// full redraw, and the hit search at 10,000 random points. Targets: a full redraw under 8 ms,
// a hit search under 1 µs per point. Google Benchmark prints the times; `per_point` is the hit
// search's time per point.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zpanemanager.h"
#include "ztools/zview.h"

using namespace ZTools;

namespace {

constexpr int32_t kW = 1920, kH = 1080;

// Draws a 24 x 20 bitmap whose alpha falls off from the top-left corner.
class BenchBitmapView : public ZView {
 public:
  BenchBitmapView() {
    bitmap_.Create(24, 20, kBitmapModeAlpha);
    uint32_t* pixels = bitmap_.GetPixels();
    uint8_t* alpha = bitmap_.GetAlphaPlane();
    for (int32_t i = 0; i < 24 * 20; ++i) {
      pixels[i] = 0x00306090u + uint32_t(i);
      alpha[i] = uint8_t(255 - (i % 24) * 8);
    }
  }
  const char* Declaration() const override { return "interface_zpane::benchbitmap flags? align? size? pos? ()"; }
  void Draw(ZDrawContext& c) override {
    c.SetBlendMode(kBlendAlpha);
    c.SetAmount(255);
    c.DrawBitmap(bitmap_, ZPoint(2, 2));
  }

 private:
  ZBitmap bitmap_;
};

class BenchTextView : public ZView {
 public:
  const char* Declaration() const override { return "interface_zpane::benchtext flags? align? size? pos? ()"; }
  void Draw(ZDrawContext& c) override {
    c.SetColor(ZColor(240, 240, 240));
    c.SetFont(1);
    c.DrawText("Radio 42", ZRect(0, 0, Width(), Height()), kTextAlignCenter | kTextAlignVCenter | kTextAlignSingleLine);
  }
};

class BenchManager : public ZPaneManager {
 protected:
  int32_t RegisterTypes() override {
    if (int32_t rc = ZPaneManager::RegisterTypes())
      return rc;
    if (int32_t rc = Host().RegisterType([]() -> IEventListener* { return new BenchBitmapView(); }))
      return rc;
    return Host().RegisterType([]() -> IEventListener* { return new BenchTextView(); });
  }
};

// 8 x 5 groups of 240 x 216 pixels, each with a 7 x 7 grid of 32 x 28 panes.
std::string SkinText() {
  std::string s = "<zml><surfaces><surface><views><colorbox size='1920,1080' color='#101418'>";
  int panes = 0;
  for (int gy = 0; gy < 5; ++gy) {
    for (int gx = 0; gx < 8; ++gx) {
      s += "<colorbox pos='" + std::to_string(gx * 240) + "," + std::to_string(gy * 216) +
           "' size='236,212' color='#203040' style='raised'>";
      ++panes;
      for (int i = 0; i < 49 && panes < 2000; ++i, ++panes) {
        const std::string pos =
            "pos='" + std::to_string(4 + (i % 7) * 33) + "," + std::to_string(4 + (i / 7) * 29) + "' size='32,28'";
        switch (i % 3) {
          case 0: s += "<colorbox " + pos + " color='#4080c0' style='sunken'/>"; break;
          case 1: s += "<benchbitmap " + pos + "/>"; break;
          default: s += "<benchtext " + pos + "/>"; break;
        }
      }
      s += "</colorbox>";
    }
  }
  return s + "</colorbox></views></surface></surfaces></zml>";
}

struct Skin {
  Platform::DialogCapture quiet;
  BenchManager manager;
  ZDrawContext context;
  Skin() {
    if (manager.Initialize() || manager.LoadSkinText(SkinText()))
      std::abort();
    manager.ResizeRootArea(kW, kH);
    manager.Open();
    context.Resize(kW, kH);
  }
};

void FullRedraw(benchmark::State& state) {
  Skin skin;
  skin.manager.Draw(skin.context, skin.manager.RootArea());  // glyph caches warm
  for (auto _ : state) {
    skin.manager.InvalidateAll();
    skin.manager.DrawInvalid(skin.context);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(FullRedraw)->Unit(benchmark::kMillisecond);

void HitSearch10000Points(benchmark::State& state) {
  Skin skin;
  std::mt19937 random(7);
  std::vector<ZPoint> points(10000);
  for (ZPoint& p : points)
    p = {int32_t(random() % kW), int32_t(random() % kH)};
  size_t found = 0;
  for (auto _ : state) {
    for (const ZPoint& p : points)
      found += skin.manager.FindPaneAt(p) != nullptr;
    benchmark::DoNotOptimize(found);
  }
  // Seconds per point, printed with an SI prefix ("340n" is 340 ns).
  state.counters["per_point"] = benchmark::Counter(double(state.iterations()) * double(points.size()),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(HitSearch10000Points)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
