// Shared by the panels controls' tests: a pane manager that builds a skin from parameters and
// views, changes parameters as a script would, and draws; a coloured pane that declares
// `valuetoset` (as menu items do); a view that logs the scroll positions its children report.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/ztools/pane_test_support.h"
#include "ztools/zcolorbox.h"
#include "ztools/zdrawcontext.h"

namespace ZTools::PanelsTest {

using Log = std::vector<std::string>;

// A coloured pane that declares `valuetoset`, as menu items, buttons and check boxes do.
class ChoicePane : public ColorBox {
 public:
  const char* Declaration() const override {
    return "interface_zpane::choice flags? align? size? pos? color? valuetoset? ()";
  }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override {
    if (name == "valuetoset")
      return 0;  // the select reads it from the markup
    return ColorBox::SetProperty(name, value, host);
  }
};

// A view that logs the scroll positions its children report.
class ScrollLogView : public ZView {
 public:
  explicit ScrollLogView(Log* log) : log_(log) {}
  const char* Declaration() const override {
    return "interface_zpane::scrolllog flags? align? size? pos? ( interface_zpane* )";
  }

 protected:
  int32_t OnPaneEvent(ZPaneEvent& e) override {
    if (e.Id() == kParentHorizontalScroll || e.Id() == kParentVerticalScroll)
      log_->push_back((e.Id() == kParentHorizontalScroll ? "h " : "v ") + std::to_string(e.Value()));
    return ZView::OnPaneEvent(e);
  }

 private:
  Log* log_;
};

class PanelsManager : public PaneTest::TestManager {
 public:
  // A skin of `extra` top-level markup, `params` and one surface of `views`.
  int32_t Load(const std::string& params, const std::string& views, int32_t w, int32_t h,
               const std::string& extra = "") {
    if (int32_t rc = Initialize())
      return rc;
    if (int32_t rc =
            LoadSkinText("<zml>" + extra + "<parameters>" + params + "</parameters><surfaces><surface><views>" + views +
                         "</views></surface></surfaces></zml>"))
      return rc;
    ResizeRootArea(w, h);
    for (ZView* root = CurrentRoot(); ZView * v : AllPanes(root)) {
      if (auto* probe = dynamic_cast<PaneTest::ProbeView*>(v))
        probe->SetLogName(std::string(Host().NodeOf(v)->Name().View()));
    }
    return Open();
  }
  static std::vector<ZView*> AllPanes(ZView* root) {
    std::vector<ZView*> out;
    if (root)
      out.push_back(root);
    for (size_t i = 0; i < out.size(); ++i)
      for (ZView* child : out[i]->Children())
        out.push_back(child);
    return out;
  }
  template <typename T>
  T* Get(const char* name) {
    return dynamic_cast<T*>(View(name));
  }
  // A change made by someone other than the controls (a script).
  void Change(const char* name, double value) {
    ZParameter* p = FindParameter(name);
    p->SetFloatValue(value);
    p->SetDirty();
    p->Announce();
  }
  double Value(const char* name) { return FindParameter(name)->GetFloatValue(); }
  std::unique_ptr<ZDrawContext> Render() {
    auto dc = std::make_unique<ZDrawContext>();
    dc->Resize(RootSize().x, RootSize().y);
    Draw(*dc, RootArea());
    return dc;
  }

 protected:
  int32_t RegisterTypes() override {
    if (int32_t rc = TestManager::RegisterTypes())
      return rc;
    if (int32_t rc = Host().RegisterType([]() -> IEventListener* { return new ChoicePane(); }))
      return rc;
    return Host().RegisterType([this]() -> IEventListener* { return new ScrollLogView(&log); });
  }
};

inline constexpr uint32_t Px(uint8_t r, uint8_t g, uint8_t b) { return ZColor(r, g, b).ToPixel(); }
const uint32_t kBack = Px(0, 0, 16), kHandle = Px(0, 255, 0);

inline std::vector<uint32_t> TakeWindowEvents(PaneTest::TestManager& m) {
  std::vector<uint32_t> ids;
  while (auto e = m.TakeNextEvent())
    ids.push_back(e->Id());
  return ids;
}

}  // namespace ZTools::PanelsTest
