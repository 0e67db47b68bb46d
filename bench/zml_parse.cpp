// Parse-and-build speed of the markup host on a generated 5 MB skin document of ordinary shape:
// parameters with several properties, and surfaces of nested panes with buttons, comments,
// variable references and entities. Prints the throughput in MB/s (target: at least 50).
// bench-links: zml ztools sonabel_platform
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "platform/dialog.h"
#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"

namespace {

using namespace ZTools;

// Stands for a real markup object: keeps its name and counts the properties it is given.
class BenchObject : public IEventListener {
 public:
  explicit BenchObject(const char* declaration) : declaration_(declaration) {}
  int32_t OnEvent(ZEvent* event) override {
    switch (event->Id()) {
      case kZMLEventGetTypeDecl: static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(declaration_); break;
      case kZMLEventCreate: name_ = static_cast<ZMLEventCreate*>(event)->Name(); break;
      case kZMLEventSetProperty: ++properties_; break;
      case kZMLEventChildCreate: ++children_; break;
      default: break;
    }
    return 0;
  }

 private:
  const char* declaration_;
  ZString name_;
  int properties_ = 0;
  int children_ = 0;
};

const char* const kDeclarations[] = {
    "interface_zparameterlist::parameters ( interface_zparameter* interface_zparameterlist* )",
    "interface_zparameter::float listener='defaultparameterlistener'? scaler? range? steps? value? displayname? "
    "format? unit? index? ()",
    "interface_zmlbitmap::bitmap mode='normal'? file? id? size? fill? hitthreshold? ()",
    "interface_zpane::image flags? align? size? pos? bitmap blend? opacity? tip? color? amount? gamma? "
    "( interface_zpane* )",
    "interface_zpane::button flags? align? size? pos? parameter? backcolor? hoverbackcolor? textcolor? "
    "hovertextcolor? framecolor? text? font? toggle? valuetoset? icon? tip? icononly? increment? ()",
    "interface_zpane::section flags? align? size? pos? framecolor? textcolor? font? text? titleheight? "
    "border='yes'? gradient='20'? textshadow='yes'? textalign? ( interface_zpane* )",
};

const char* const kGroups =
    "<zml><definegroup name='scalers' types='interface_zparamscaler*'/>"
    "<definegroup name='bitmaps' types='interface_zmlbitmap*'/><definegroup name='icons' types='icon*'/>"
    "<definegroup name='views' types='interface_zpane'/><definegroup name='surface' types='bitmaps? icons? views'/>"
    "<definegroup name='surfaces' types='surface+'/></zml>";

std::string MakeDocument(size_t targetBytes) {
  std::string doc =
      "<?xml version='1.0'?>\n<zml>\n  <!-- generated skin -->\n"
      "  <var name='w' value='120'/>\n  <const name='font' value='Arial,12,bold'/>\n";
  char line[512];
  doc += "  <parameters>\n";
  int n = 0;
  for (; doc.size() < targetBytes / 5; ++n) {
    std::snprintf(line, sizeof line,
                  "    <float name='param%d' range='0,100' steps='11' value='50' displayname='Parameter %d' "
                  "format='%%.1f' unit='dB'/>\n",
                  n, n);
    doc += line;
  }
  doc += "  </parameters>\n  <bitmaps>\n";
  for (int i = 0; i < 200; ++i) {
    std::snprintf(line, sizeof line, "    <bitmap name='bmp%d' file='images/bitmap%d.png' mode='extended'/>\n", i, i);
    doc += line;
  }
  doc += "  </bitmaps>\n  <surfaces>\n";
  int pane = 0;
  while (doc.size() < targetBytes) {
    doc += "    <surface>\n      <views>\n        <image name='root" + std::to_string(pane++) +
           "' bitmap='bmp1' size='$(w),300' flags='default,wantclick'>\n";
    for (int s = 0; s < 40; ++s) {
      std::snprintf(
          line, sizeof line,
          "          <section name='sec%d' pos='10,%d' size='$(w),40' text='Section &amp; %d' font='$(font)'>\n",
          pane++, s * 40, s);
      doc += line;
      for (int b = 0; b < 6; ++b) {
        const int id = pane++;
        std::snprintf(line, sizeof line,
                      "            <button name='btn%d' pos='%d,4' size='32,32' parameter='param%d' "
                      "text='B%d' tip='Press &quot;%d&quot;' backcolor='#202020' textcolor='#e0e0e0'/>\n",
                      id, b * 36, (id * 7) % n, b, b);
        doc += line;
      }
      doc += "          </section>\n";
    }
    doc += "        </image>\n      </views>\n    </surface>\n";
  }
  doc += "  </surfaces>\n</zml>\n";
  return doc;
}

void ParseAndBuild(benchmark::State& state) {
  const std::string document = MakeDocument(5u << 20);
  Platform::DialogCapture boxes;
  for (auto _ : state) {
    ZMLScriptHost host;
    host.Initialize();
    for (const char* declaration : kDeclarations)
      host.RegisterType([declaration]() -> IEventListener* { return new BenchObject(declaration); });
    host.ParseText(kGroups);
    if (host.ParseText(document) != 0) {
      state.SkipWithError(boxes.Boxes().empty() ? "parse failed" : boxes.Boxes().back().text.c_str());
      break;
    }
    state.PauseTiming();
    host.Teardown();  // timed separately below
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document.size()));
  state.counters["MB/s"] =
      benchmark::Counter(static_cast<double>(document.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["doc_MB"] = static_cast<double>(document.size()) / 1e6;
}
BENCHMARK(ParseAndBuild)->Unit(benchmark::kMillisecond);

void BuildAndTeardown(benchmark::State& state) {
  const std::string document = MakeDocument(5u << 20);
  Platform::DialogCapture boxes;
  for (auto _ : state) {
    ZMLScriptHost host;
    host.Initialize();
    for (const char* declaration : kDeclarations)
      host.RegisterType([declaration]() -> IEventListener* { return new BenchObject(declaration); });
    host.ParseText(kGroups);
    host.ParseText(document);
    host.Teardown();
  }
  state.counters["MB/s"] =
      benchmark::Counter(static_cast<double>(document.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BuildAndTeardown)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
