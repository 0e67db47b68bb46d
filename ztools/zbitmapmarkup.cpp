// ZMLBitmap and ZMLIcon: property parsing and the markup events they answer.
#include "ztools/zbitmapmarkup.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "zml/zmlevent.h"
#include "zml/zmlparser.h"
#include "zml/zmlscripthost.h"
#include "ztools/zcolor.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

// Access to the markup events; the event's class is known from its identifier.
void AnswerDeclaration(ZEvent* event, const char* declaration) {
  static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(ZString(declaration));
}

ZMLParser* HostOf(ZEvent* event) { return static_cast<ZMLEvent*>(event)->Host(); }

struct PropertyValue {
  std::string_view name;
  std::string_view value;
};

PropertyValue PropertyOf(ZEvent* event) {
  auto* e = static_cast<ZMLEventSetProperty*>(event);
  return {e->Property().View(), e->Value().View()};
}

// Answers the registration's question for the declaration; true when `event` was that.
bool AnswerTypeDecl(ZEvent* event, const char* declaration) {
  if (event->Id() != kZMLEventGetTypeDecl)
    return false;
  AnswerDeclaration(event, declaration);
  return true;
}

}  // namespace

// ---- ZMLBitmap

ZMLBitmap::~ZMLBitmap() {
  for (ZMLIcon* icon : std::vector<ZMLIcon*>(icons_))
    icon->AttachBitmap(nullptr);
}

int32_t ZMLBitmap::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  if (AnswerTypeDecl(event, kZMLBitmapDeclaration))
    return 0;
  if (event->Id() == kZMLEventSetProperty) {
    PropertyValue p = PropertyOf(event);
    return SetProperty(p.name, p.value);
  }
  return 0;
}

int32_t ZMLBitmap::SetProperty(std::string_view name, std::string_view value) {
  if (name == "mode") {
    std::string_view v = TrimBlanks(value);
    if (EqualsNoCase(v, "normal"))
      loadMode_ = kBitmapModeScreen;
    else if (EqualsNoCase(v, "extended"))
      loadMode_ = kBitmapModePixels;
    else
      return kZErrIllegalPropertyValue;
    return 0;
  }
  if (name == "file")
    return Load(TrimBlanks(value), loadMode_);
  if (name == "id") {
    int32_t number;
    if (!ParseInt(value, number) || number < 0)
      return kZErrIllegalPropertyValue;
    return LoadResource(uint32_t(number), loadMode_);
  }
  if (name == "size") {
    int32_t w, h;
    if (!ParsePair(value, w, h) || w < 0 || h < 0)
      return kZErrIllegalPropertyValue;
    return Create(w, h, loadMode_);
  }
  if (name == "fill") {
    ZColor color;
    if (int32_t rc = ParseColor(value, color))
      return rc;
    Fill(color);
    return 0;
  }
  if (name == "hitthreshold") {
    int32_t t;
    if (!ParseInt(value, t))
      return kZErrIllegalPropertyValue;
    threshold = std::clamp(t, 0, 255);
    return 0;
  }
  return kZErrUnknownProperty;
}

// ---- ZMLIcon

ZMLIcon::~ZMLIcon() { AttachBitmap(nullptr); }

void ZMLIcon::AttachBitmap(ZMLBitmap* bitmap) {
  if (markupBitmap_) {
    auto& list = markupBitmap_->icons_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  markupBitmap_ = bitmap;
  if (bitmap)
    bitmap->icons_.push_back(this);
  SetBitmap(bitmap);
}

int32_t ZMLIcon::HoverGammaAmount(double g) {
  g = std::clamp(g, 0.5, 2.0);
  return int32_t(std::trunc(127.5 / g + 0.5));
}

int32_t ZMLIcon::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  if (AnswerTypeDecl(event, kZMLIconDeclaration))
    return 0;
  switch (event->Id()) {
    case kZMLEventCreate: host_ = HostOf(event); return 0;
    case kZMLEventSetProperty: {
      PropertyValue p = PropertyOf(event);
      return SetProperty(p.name, p.value, host_ ? host_ : HostOf(event));
    }
    case kZMLEventDestroy: AttachBitmap(nullptr); return 0;
    default: return 0;
  }
}

int32_t ZMLIcon::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name == "bitmap") {
    IEventListener* object = nullptr;
    if (!host || host->GetObject("interface_zmlbitmap", TrimBlanks(value), &object) != 0)
      return kZErrIllegalObjectType;
    auto* bitmap = dynamic_cast<ZMLBitmap*>(object);
    if (!bitmap)
      return kZErrIllegalObjectType;
    AttachBitmap(bitmap);
    return 0;
  }
  if (name == "size") {
    int32_t w, h;
    if (!ParsePair(value, w, h) || w < 0 || h < 0)
      return kZErrIllegalPropertyValue;
    SetSize(w, h);
    return 0;
  }
  if (name == "hovergamma") {
    double g;
    if (!ParseNumber(value, g))
      return kZErrIllegalPropertyValue;
    hoverGamma = HoverGammaAmount(g);
    return 0;
  }
  static constexpr std::string_view kStates[] = {"source",   "hover",        "pressed",
                                                 "selected", "hoverpressed", "hoverselected"};
  for (int32_t state = 0; state < int32_t(std::size(kStates)); ++state) {
    if (name != kStates[state])
      continue;
    int32_t x, y;
    if (!ParsePair(value, x, y))
      return kZErrIllegalPropertyValue;
    SetStatePosition(state, {x, y});
    return 0;
  }
  return kZErrUnknownProperty;
}

int32_t RegisterBitmapMarkupTypes(ZMLParser& parser) {
  if (int32_t rc = parser.RegisterType([]() -> IEventListener* { return new ZMLBitmap(); }))
    return rc;
  return parser.RegisterType([]() -> IEventListener* { return new ZMLIcon(); });
}

}  // namespace ZTools
