// ZPaneManager: building, surfaces, invalid areas, drawing and the events panes post. Input
// routing and the hit search are in zpaneinput.cpp, tool tips and track info in zpaneoverlay.cpp.
#include "ztools/zpanemanager.h"

#include <cmath>

#include "zml/zmlnode.h"
#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zparameter.h"
#include "ztools/zpanetypes.h"
#include "ztools/zview.h"

namespace ZTools {
namespace {

constexpr const char* kStandardGroups =
    "<zml><definegroup name='scalers'  types='interface_zparamscaler*'/>"
    "<definegroup name='bitmaps'  types='interface_zmlbitmap*'/>"
    "<definegroup name='icons'    types='icon*'/>"
    "<definegroup name='views'    types='interface_zpane'/>"
    "<definegroup name='surface'  types='bitmaps? icons? views'/>"
    "<definegroup name='surfaces' types='surface+'/></zml>";

// The names markup uses to reach the manager: panes find it under the first, parameters name
// their listener with the others.
constexpr const char* kManagerNames[] = {kPaneManagerName, "defaultparameterlistener", "defaultvstparameterlistener"};

}  // namespace

ZPaneManager::ZPaneManager() : host_(std::make_unique<ZMLScriptHost>()) {}

ZPaneManager::~ZPaneManager() { Teardown(); }

int32_t ZPaneManager::Initialize() {
  if (int32_t rc = host_->Initialize())
    return rc;
  if (int32_t rc = RegisterTypes())
    return rc;
  for (const char* name : kManagerNames)
    if (int32_t rc = host_->RegisterObject(kPaneManagerInterface, name, this))
      return rc;
  return host_->ParseText(StandardGroups());
}

int32_t ZPaneManager::RegisterTypes() { return RegisterFrameworkMarkupTypes(*host_); }

const char* ZPaneManager::StandardGroups() const { return kStandardGroups; }

int32_t ZPaneManager::LoadSkin(std::string_view file) {
  if (int32_t rc = host_->ParseFile(file))
    return rc;
  if (int32_t rc = FindSurfaces())
    return rc;
  return SkinLoaded();
}

int32_t ZPaneManager::LoadSkinText(std::string_view text) {
  if (int32_t rc = host_->ParseText(text))
    return rc;
  if (int32_t rc = FindSurfaces())
    return rc;
  return SkinLoaded();
}

int32_t ZPaneManager::FindSurfaces() {
  surfaces_.clear();
  ListParameters();
  ZMLNode* group = host_->FindNode("surfaces");
  if (!group)
    return 0;
  for (ZMLNode* surface : group->Children()) {
    for (ZMLNode* part : surface->Children()) {
      if (part->TypeName().View() != "views")
        continue;
      Surface s;
      s.views = part;
      if (!part->Children().empty())
        s.root = dynamic_cast<ZView*>(part->Children().front()->Object());
      if (s.root) {
        s.root->AttachManager(this);
        s.size = {s.root->Width(), s.root->Height()};
      }
      surfaces_.push_back(s);
    }
  }
  current_ = 0;
  if (rootSize_.x > 0 || rootSize_.y > 0)
    ResizeRootArea(rootSize_.x, rootSize_.y);
  // The system parameters take effect with the values the skin gives them.
  for (const char* name : {"system_enabletooltips", "system_smoothdrag", "system_fastupdate", "system_dithermode",
                           "system_currentsurface"}) {
    if (ZParameter* p = FindParameter(name))
      SystemParameterChanged(name, p->GetFloatValue(), p->GetNormalized());
  }
  InvalidateAll();
  return 0;
}

ZParameter* ZPaneManager::FindParameter(std::string_view name) {
  ZString key(name);
  key.MakeLower();
  ZMLNode* node = host_->FindNode(key.View());
  return node && !node->IsExternal() ? dynamic_cast<ZParameter*>(node->Object()) : nullptr;
}

void ZPaneManager::ListParameters() {
  std::vector<ZParameter*>& out = parameters_;
  out.clear();
  if (!host_->Root())
    return;
  std::vector<const ZMLNode*> stack(host_->Root()->Children().rbegin(), host_->Root()->Children().rend());
  while (!stack.empty()) {
    const ZMLNode* node = stack.back();
    stack.pop_back();
    if (auto* p = dynamic_cast<ZParameter*>(node->Object()))
      out.push_back(p);
    stack.insert(stack.end(), node->Children().rbegin(), node->Children().rend());
  }
}

int32_t ZPaneManager::Open() {
  open_ = true;
  ZView* root = CurrentRoot();
  return root ? root->Open() : 0;
}

int32_t ZPaneManager::Close() {
  HideToolTip();
  int32_t rc = 0;
  ZView* root = CurrentRoot();
  if (open_ && root && root->IsOpen())
    rc = root->Close();
  open_ = false;
  return rc;
}

int32_t ZPaneManager::Teardown() {
  Close();
  // Panes call ForgetPane as they go, so the pointers below are already clear afterwards.
  int32_t rc = host_->Teardown();
  surfaces_.clear();
  parameters_.clear();
  windowEvents_.clear();
  invalid_.clear();
  host_ = std::make_unique<ZMLScriptHost>();
  return rc;
}

// ---- surfaces and panes

bool ZPaneManager::SetCurrentSurface(int32_t index) {
  if (index < 0 || size_t(index) >= surfaces_.size())
    return false;
  if (index == current_)
    return true;
  const bool wasOpen = open_;
  Close();
  // Input state belongs to the surface being left.
  if (hover_) {
    ZView* old = hover_;
    hover_ = nullptr;
    old->OnMouseLeave();
  }
  SetFocusPane(nullptr);
  capture_ = held_ = clicked_ = modal_ = nullptr;
  current_ = index;
  // A surface of another size (a compact and a full face) asks the window to take its size;
  // the window's new size then lays the surface out as usual.
  const ZPoint size = surfaces_[size_t(index)].size;
  if (size.x > 0 && size.y > 0 && size != rootSize_) {
    auto resize = MakeEvent<ZPaneEvent>(kSysWindowResize, nullptr);
    resize->SetPoint(size);
    QueueForWindow(*resize);
  }
  if (wasOpen)
    Open();
  InvalidateAll();
  return true;
}

ZView* ZPaneManager::GetView(std::string_view path) {
  if (surfaces_.empty())
    return nullptr;
  auto search = [&](const Surface& s) -> ZView* {
    ZMLNode* node = s.views ? host_->FindByPath(path, s.views) : nullptr;
    return node ? dynamic_cast<ZView*>(node->Object()) : nullptr;
  };
  if (ZView* v = search(surfaces_[size_t(current_)]))
    return v;
  for (const Surface& s : surfaces_)
    if (ZView* v = search(s))
      return v;
  return nullptr;
}

ZView* ZPaneManager::FindView(std::string_view name) {
  ZString key(name);
  key.MakeLower();
  ZMLNode* node = host_->FindNode(key.View());
  return node ? dynamic_cast<ZView*>(node->Object()) : nullptr;
}

void ZPaneManager::ResizeRootArea(int32_t width, int32_t height) {
  width = std::clamp(width, 0, kMaxPaneCoordinate);
  height = std::clamp(height, 0, kMaxPaneCoordinate);
  rootSize_ = {width, height};
  for (const Surface& s : surfaces_)
    if (s.root)
      s.root->ResizeFrameBy(width - s.root->Width(), height - s.root->Height());
  HideToolTip();
  InvalidateAll();
}

// ---- invalid areas

void ZPaneManager::Invalidate(const ZRect& rect) {
  const ZRect root = RootArea();
  if (root.IsEmpty())
    return;
  if (rect.IsEmpty() || (rect.left <= 0 && rect.top <= 0 && rect.right >= root.right && rect.bottom >= root.bottom)) {
    invalid_.assign(1, root);
    return;
  }
  ZRect merged = rect.Intersection(root);
  if (merged.IsEmpty())
    return;  // nothing of it is visible
  // The list never holds two overlapping rectangles, so only the new one can overlap others;
  // each merge may make it overlap more, so the search starts again after each.
  for (size_t i = 0; i < invalid_.size();) {
    if (invalid_[i].Overlaps(merged)) {
      merged = merged.Union(invalid_[i]);
      invalid_.erase(invalid_.begin() + ptrdiff_t(i));
      i = 0;
    } else {
      ++i;
    }
  }
  invalid_.push_back(merged);
  if (invalid_.size() > kMaxInvalidAreas) {
    ZRect all;
    for (const ZRect& r : invalid_)
      all = all.Union(r);
    invalid_.assign(1, all);
  }
}

void ZPaneManager::InvalidatePane(ZView* pane) {
  if (!pane)
    return;
  // A pane of another surface, or one not in a surface at all, is not on screen.
  const ZView* top = pane;
  while (top->Parent())
    top = top->Parent();
  if (top != CurrentRoot())
    return;
  ZRect r = pane->AbsoluteRect();
  if (r.IsEmpty())
    return;
  Invalidate(r);
}

size_t ZPaneManager::DrawInvalid(ZDrawContext& context) {
  if (invalid_.empty())
    return 0;
  // Drawing may post redraws (a pane that animates); they go to the next frame's list.
  std::vector<ZRect> areas;
  areas.swap(invalid_);
  for (const ZRect& r : areas)
    Draw(context, r);
  const size_t n = areas.size();
  areas.clear();
  if (invalid_.empty())
    invalid_.swap(areas);  // keep the capacity: no allocation per frame
  return n;
}

void ZPaneManager::Draw(ZDrawContext& context, const ZRect& area) {
  const ZRect clip = area.Intersection(RootArea()).Intersection(ZRect::FromSize(context.Width(), context.Height()));
  if (clip.IsEmpty())
    return;
  // What no pane covers shows black, never what was drawn there before.
  context.SetOrigin({});
  context.SetClipRect(clip);
  const ZColor color = context.GetColor();
  const int32_t mode = context.GetBlendMode();
  context.SetColor(ZColor(0, 0, 0));
  context.SetBlendMode(kBlendOpaque);
  context.FillRect(clip);
  context.SetColor(color);
  context.SetBlendMode(mode);
  if (ZView* root = CurrentRoot())
    root->Paint(context, clip, {});
  context.SetOrigin({});
  context.ResetClipRect();
  DrawOverlays(context, clip);
}

// ---- events from panes

void ZPaneManager::QueueForWindow(ZPaneEvent& event) {
  event.AddRef();
  windowEvents_.push_back(ZEventRef<ZPaneEvent>::Adopt(&event));
}

ZEventRef<ZPaneEvent> ZPaneManager::TakeNextEvent() {
  if (windowEvents_.empty())
    return {};
  ZEventRef<ZPaneEvent> next = std::move(windowEvents_.front());
  windowEvents_.pop_front();
  return next;
}

int32_t ZPaneManager::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  const uint32_t family = event->Id() & kPaneEventFamilyMask;
  if (family == kPaneEventFamilyWindow) {
    QueueForWindow(*static_cast<ZPaneEvent*>(event));
    return 0;
  }
  if (event->Id() == kEvtParameterChanged) {
    if (auto* p = static_cast<ZParameter*>(event->Sender()))
      ParameterChanged(p);
    return 0;
  }
  if (family != kPaneEventFamilyManager)
    return 0;
  auto& e = *static_cast<ZPaneEvent*>(event);
  ZView* pane = e.Pane();
  switch (e.Id()) {
    case kSystemRedraw:
    case kSystemDrawPane: InvalidatePane(pane); return 0;
    case kSystemStartMouseCapture: held_ = pane; return 0;
    case kSystemStopMouseCapture:
      if (held_ == pane)
        held_ = nullptr;
      return 0;
    case kSystemTakeFocus: SetFocusPane(pane); return 0;
    case kSystemRemoveFocus:
      if (pane && focus_ == pane)
        SetFocusPane(nullptr);
      return 0;
    case kSystemShowToolTip:
      // A pane the mouse entered: its tip shows once the mouse rests there (see Idle).
      HideToolTip();
      mouseMovedAt_ = now_;
      return 0;
    case kSystemHideToolTip: HideToolTip(); return 0;
    case kSystemShowTrackInfo: ShowTrackInfo(pane, e.Text()); return 0;
    case kSystemHideTrackInfo: HideTrackInfo(); return 0;
    case kSystemRequestUpdateSize: ResizeRootArea(rootSize_.x, rootSize_.y); return 0;
    case kSystemGetRootSize: e.SetPoint(rootSize_); return 0;
    case kSystemGetAbsolutePoint:
      if (pane)
        e.SetPoint(pane->AbsolutePosition() + e.Point());
      return 0;
    case kSystemGetAbsoluteRect:
      if (pane)
        e.SetRect(pane->AbsoluteRect());
      return 0;
    case kSystemGetMousePosition: e.SetPoint(mouse_); return 0;
    case kSystemBeginEdit:
      ++openEdits_;
      ++editsBegun_;
      return 0;
    case kSystemEndEdit:
      if (openEdits_ > 0)
        --openEdits_;
      return 0;
    default: return 0;
  }
}

void ZPaneManager::ParameterChanged(ZParameter* p) {
  if (p->GetName().View().substr(0, 7) == "system_")
    SystemParameterChanged(p->GetName().View(), p->GetFloatValue(), p->GetNormalized());
}

void ZPaneManager::SystemParameterChanged(std::string_view name, double value, double normalized) {
  auto toWindow = [&](uint32_t id) {
    auto event = MakeEvent<ZPaneEvent>(id, nullptr);
    event->SetValue(std::isfinite(value) ? int32_t(std::clamp(value, -2e9, 2e9)) : 0);
    QueueForWindow(*event);
  };
  if (name == "system_enabletooltips") {
    toolTipsEnabled_ = normalized >= 0.5;
    if (!toolTipsEnabled_)
      HideToolTip();
  } else if (name == "system_smoothdrag") {
    toWindow(kSysWindowSmoothDrag);
  } else if (name == "system_fastupdate") {
    toWindow(kSysWindowFastUpdate);
  } else if (name == "system_dithermode") {
    toWindow(kSysWindowDitherMode);
  } else if (name == "system_currentsurface") {
    // NaN and values outside 0..n-1 are ignored.
    if (value >= 0 && value < double(surfaces_.size()))
      SetCurrentSurface(int32_t(value));
  }
}

void ZPaneManager::ForgetPane(ZView* pane) {
  if (!pane)
    return;
  if (hover_ == pane)
    hover_ = nullptr;
  if (capture_ == pane)
    capture_ = nullptr;
  if (held_ == pane)
    held_ = nullptr;
  if (focus_ == pane)
    focus_ = nullptr;
  if (modal_ == pane)
    modal_ = nullptr;
  if (clicked_ == pane)
    clicked_ = nullptr;
  if (toolTipPane_ == pane)
    HideToolTip();
  if (trackPane_ == pane)
    HideTrackInfo();
  for (Surface& s : surfaces_)
    if (s.root == pane)
      s.root = nullptr;
}

}  // namespace ZTools
