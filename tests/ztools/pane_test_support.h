// A pane manager for tests: builds a skin from markup text, and knows a `probe` pane that logs
// every input it receives ("name:Event x,y") and takes the input when its `answer` is yes.
#pragma once

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "zml/zmlparser.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "zml/zmlnode.h"
#include "ztools/zpanemanager.h"
#include "ztools/zcontrol.h"
#include "ztools/zview.h"

namespace ZTools::PaneTest {

class ProbeView : public ZView {
 public:
  explicit ProbeView(std::vector<std::string>* log) : log_(log) {}
  const char* Declaration() const override {
    return "interface_zpane::probe flags? align? size? pos? tip? answer? ( interface_zpane* )";
  }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override {
    if (name == "answer")
      return ParseYesNo(value, answer_) ? 0 : kZErrIllegalPropertyValue;
    return ZView::SetProperty(name, value, host);
  }
  int32_t OnCreate() override {
    name_ = "probe";
    return 0;
  }
  void SetLogName(std::string name) { name_ = std::move(name); }
  int32_t OnClick(uint32_t b, ZPoint p) override { return Log("Click", b, p); }
  int32_t OnWheel(uint32_t b, ZPoint p, float) override { return Log("Wheel", b, p); }
  int32_t OnStartDrag(uint32_t b, ZPoint p) override { return Log("StartDrag", b, p); }
  int32_t OnDrag(uint32_t b, ZPoint p) override { return Log("Drag", b, p); }
  int32_t OnStopDrag() override { return Log("StopDrag"); }
  int32_t OnMouseEnter() override { return Log("Enter"); }
  int32_t OnMouseLeave() override { return Log("Leave"); }
  int32_t OnKey(uint32_t key) override { return Log("Key", key); }
  int32_t OnText(std::string_view utf8) override {
    log_->push_back(name_ + ":Text " + std::string(utf8));
    return 1;
  }
  int32_t Idle() override { return Log("Idle"); }

 private:
  int32_t Log(const char* what, uint32_t b = 0, ZPoint p = {}) {
    std::string line = name_ + ":" + what;
    if (b)
      line += " " + std::to_string(b);
    if (p != ZPoint())
      line += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    log_->push_back(line);
    return answer_ ? 1 : 0;
  }
  std::vector<std::string>* log_;
  std::string name_;
  bool answer_ = false;
};

// A control that logs "name:Changed TEXT" for each change it is told of, and may write a value
// back (`echo`: it adds 1 to what it was told) to test ping-pong between listeners.
class ProbeControl : public ZControl {
 public:
  explicit ProbeControl(std::vector<std::string>* log) : log_(log) {}
  const char* Declaration() const override {
    return "interface_zpane::probecontrol flags? align? size? pos? parameter? tip? echo? ()";
  }
  size_t MaxParameters() const override { return 3; }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override {
    if (name == "echo")
      return ParseYesNo(value, echo_) ? 0 : kZErrIllegalPropertyValue;
    return ZControl::SetProperty(name, value, host);
  }
  void ParameterChanged(ZParameter* p) override {
    log_->push_back(name + ":Changed " + std::string(p->GetStringValue().View()));
    if (echo_)
      SetFloat(p->GetFloatValue() + 1, size_t(GetParameterIndex(p)));
  }
  std::string name = "control";

 private:
  std::vector<std::string>* log_;
  bool echo_ = false;
};

class TestManager : public ZPaneManager {
 public:
  std::vector<std::string> log;

  // Builds `<zml><surfaces>` + one `<surface><views>…</views></surface>` per view text + `…`.
  int32_t Build(const std::vector<std::string>& surfaceViews, int32_t width, int32_t height) {
    if (int32_t rc = Initialize())
      return rc;
    std::string text = "<zml><surfaces>";
    for (const std::string& v : surfaceViews)
      text += "<surface><views>" + v + "</views></surface>";
    text += "</surfaces></zml>";
    if (int32_t rc = LoadSkinText(text))
      return rc;
    ResizeRootArea(width, height);
    // Probes log under their reference names.
    for (size_t i = 0; i < SurfaceCount(); ++i)
      NameProbes(SurfaceRoot(i));
    return Open();
  }
  ZView* View(const char* name) { return FindView(name); }

 protected:
  int32_t RegisterTypes() override {
    if (int32_t rc = ZPaneManager::RegisterTypes())
      return rc;
    if (int32_t rc = Host().RegisterType([this]() -> IEventListener* { return new ProbeView(&log); }))
      return rc;
    return Host().RegisterType([this]() -> IEventListener* { return new ProbeControl(&log); });
  }

 private:
  void NameProbes(ZView* view) {
    if (!view)
      return;
    ZMLNode* node = Host().NodeOf(view);
    if (auto* probe = dynamic_cast<ProbeView*>(view); probe && node)
      probe->SetLogName(std::string(node->Name().View()));
    if (auto* probe = dynamic_cast<ProbeControl*>(view); probe && node)
      probe->name = std::string(node->Name().View());
    for (ZView* child : view->Children())
      NameProbes(child);
  }
  Platform::DialogCapture quiet_;
};

}  // namespace ZTools::PaneTest
