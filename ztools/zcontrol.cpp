// ZControl: parameter binding, changes with notification, hover and tool tip.
#include "ztools/zcontrol.h"

#include <algorithm>

#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {

ZControl::~ZControl() { Unbind(); }

void ZControl::Unbind() {
  for (ZParameter* p : params_)
    if (p)
      p->DetachListener(this);
  params_.clear();
}

int32_t ZControl::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  switch (event->Id()) {
    case kEvtParameterChanged: {
      auto* p = static_cast<ZParameter*>(event->Sender());
      if (GetParameterIndex(p) >= 0)
        ParameterChanged(p);
      return 0;
    }
    case kZMLEventCreate: scriptHost_ = static_cast<ZMLEvent*>(event)->Host(); break;
    case kZMLEventDependeeDestroy: {
      // The slot stays (empty), so the other parameters keep their indexes.
      IEventListener* gone = static_cast<ZMLEventDependeeDestroy*>(event)->Dependee();
      for (ZParameter*& p : params_)
        if (static_cast<IEventListener*>(p) == gone)
          p = nullptr;
      return 0;
    }
    case kZMLEventDestroy: Unbind(); break;
    default: break;
  }
  return ZView::OnEvent(event);
}

int32_t ZControl::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name != "parameter")
    return ZView::SetProperty(name, value, host);
  std::vector<std::string_view> names;
  while (true) {
    const size_t comma = value.find(',');
    names.push_back(TrimBlanks(value.substr(0, comma)));
    if (comma == std::string_view::npos)
      break;
    value.remove_prefix(comma + 1);
  }
  if (names.size() < MinParameters())
    return kZErrTooFewArguments;
  if (names.size() > MaxParameters())
    return kZErrTooManyArguments;
  std::vector<ZParameter*> found;
  for (std::string_view n : names) {
    IEventListener* object = nullptr;
    if (!host)
      return kZErrObjectNotAvailable;
    if (int32_t rc = host->GetObject(kParameterInterface, n, &object))
      return rc;
    auto* p = dynamic_cast<ZParameter*>(object);
    if (!p)
      return kZErrIllegalObjectType;
    found.push_back(p);
  }
  Unbind();
  for (ZParameter* p : found) {
    params_.push_back(p);
    p->AttachListener(this);
    if (scriptHost_)
      scriptHost_->AddDependency(this, p);
  }
  return 0;
}

bool ZControl::AddParameter(ZParameter* parameter) {
  if (!parameter || params_.size() >= MaxParameters())
    return false;
  params_.push_back(parameter);
  parameter->AttachListener(this);
  return true;
}

int32_t ZControl::Open() {
  const int32_t rc = ZView::Open();
  for (ZParameter* p : std::vector<ZParameter*>(params_))
    if (p)
      ParameterChanged(p);
  return rc;
}

void ZControl::ParameterChanged(ZParameter*) { PostRedraw(); }

int32_t ZControl::OnMouseEnter() {
  hovered_ = true;
  PostRedraw();
  if (!GetToolTip().IsEmpty()) {
    auto event = MakeEvent<ZPaneEvent>(kSystemShowToolTip, this);
    event->SetText(GetToolTip().View());
    Post(*event);
  }
  return 0;
}

int32_t ZControl::OnMouseLeave() {
  hovered_ = false;
  PostRedraw();
  auto event = MakeEvent<ZPaneEvent>(kSystemHideToolTip, this);
  Post(*event);
  return 0;
}

int32_t ZControl::GetParameterIndex(const ZParameter* parameter) const {
  for (size_t i = 0; i < params_.size(); ++i)
    if (params_[i] == parameter)
      return int32_t(i);
  return -1;
}

ZString ZControl::GetString(size_t index) const {
  const ZParameter* p = GetParameter(index);
  return p ? p->GetStringValue() : ZString();
}

ZString ZControl::GetStringAndUnit(size_t index) const {
  const ZParameter* p = GetParameter(index);
  if (!p)
    return {};
  ZString text = p->GetStringValue();
  if (!p->GetUnitString().IsEmpty())
    text.Append(' ').Append(p->GetUnitString());
  return text;
}

double ZControl::GetFloat(size_t index) const {
  const ZParameter* p = GetParameter(index);
  return p ? p->GetFloatValue() : 0.0;
}

double ZControl::GetNormalized(size_t index) const {
  const ZParameter* p = GetParameter(index);
  return p ? p->GetNormalized() : 0.0;
}

void ZControl::AnnounceIfChanged(size_t index, double before, const ZString& beforeText) {
  ZParameter* p = GetParameter(index);
  if (!p || (p->GetNormalized() == before && p->GetStringValue() == beforeText))
    return;
  p->SetDirty(this);
  p->Announce();
}

void ZControl::SetString(std::string_view text, size_t index) {
  ZParameter* p = GetParameter(index);
  if (!p)
    return;
  const double before = p->GetNormalized();
  const ZString beforeText = p->GetStringValue();
  p->SetStringValue(text);
  AnnounceIfChanged(index, before, beforeText);
}

void ZControl::SetFloat(double value, size_t index) {
  ZParameter* p = GetParameter(index);
  if (!p || p->GetFloatValue() == value)
    return;
  const double before = p->GetNormalized();
  const ZString beforeText = p->GetStringValue();
  p->SetFloatValue(value);
  AnnounceIfChanged(index, before, beforeText);
}

void ZControl::SetNormalized(double position, size_t index) {
  ZParameter* p = GetParameter(index);
  if (!p || p->GetNormalized() == position)
    return;
  const double before = p->GetNormalized();
  const ZString beforeText = p->GetStringValue();
  p->SetNormalized(position);
  AnnounceIfChanged(index, before, beforeText);
}

int32_t ZControl::PostBeginEdit(size_t) { return ZView::PostBeginEdit(); }
int32_t ZControl::PostEndEdit(size_t) { return ZView::PostEndEdit(); }

}  // namespace ZTools
