// ZBasicParameter: common properties, listeners and change notification, linear conversions.
#include "ztools/zparameter.h"

#include <algorithm>
#include <cmath>

#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zparamformat.h"
#include "ztools/zscaler.h"

namespace ZTools {
namespace {

// A change announced while the same parameter is being announced runs in the next round; after
// this many rounds further changes are left unannounced, which ends any ping-pong.
constexpr int32_t kMaxAnnounceRounds = 4;

bool IsFiniteFloat(double v) { return std::isfinite(v) && std::fabs(v) <= 3.0e38; }

}  // namespace

ZBasicParameter::ZBasicParameter() = default;
ZBasicParameter::~ZBasicParameter() = default;

bool ZBasicParameter::SetDisplayFormat(std::string_view format) {
  if (format.empty()) {
    format_ = kDefaultFormat;
    return true;
  }
  if (!IsValidDisplayFormat(format))
    return false;
  format_ = format;
  return true;
}

bool ZBasicParameter::SetValueRange(double min, double max) {
  if (!IsFiniteFloat(min) || !IsFiniteFloat(max))
    return false;
  min_ = float(min);
  max_ = float(max);
  return true;
}

bool ZBasicParameter::SetDiscreteSteps(double steps) {
  if (!std::isfinite(steps))
    return false;
  // Fewer than 2 steps means continuous; more than can be counted is continuous too.
  steps_ = steps < 2.0 || steps > 16777216.0 ? 0.0f : float(std::floor(steps + 0.5));
  return true;
}

double ZBasicParameter::LinearPosition(double value) const {
  if (max_ == min_ || !std::isfinite(value))
    return 0.0;
  return std::clamp((value - double(min_)) / (double(max_) - double(min_)), 0.0, 1.0);
}

double ZBasicParameter::LinearValue(double position) const {
  if (!std::isfinite(position))
    position = 0.0;
  return double(min_) + (double(max_) - double(min_)) * std::clamp(position, 0.0, 1.0);
}

double ZBasicParameter::Quantize(double position) const {
  if (!std::isfinite(position))
    return 0.0;
  if (steps_ < 2.0f)
    return position;
  const double n = double(steps_) - 1.0;
  return std::clamp(std::floor(n * position + 0.5) / n, 0.0, 1.0);
}

// ---- listeners and notification

bool ZBasicParameter::AttachListener(IEventListener* listener) {
  if (!listener)
    return false;
  for (const Listener& l : listeners_)
    if (l.listener == listener)
      return false;
  listeners_.push_back({listener, true});
  return true;
}

bool ZBasicParameter::DetachListener(IEventListener* listener) {
  for (size_t i = 0; i < listeners_.size(); ++i) {
    if (listeners_[i].listener != listener)
      continue;
    if (announcing_) {
      listeners_[i].listener = nullptr;  // the running round steps over it; swept afterwards
    } else {
      listeners_.erase(listeners_.begin() + ptrdiff_t(i));
    }
    return true;
  }
  return false;
}

void ZBasicParameter::SetDirty(IEventListener* sender) {
  dirty_ = true;
  if (!sender)
    return;
  for (Listener& l : listeners_)
    if (l.listener == sender)
      l.notify = false;
}

void ZBasicParameter::ClearDirty(IEventListener*) {
  dirty_ = false;
  for (Listener& l : listeners_)
    l.notify = true;
}

void ZBasicParameter::Announce() {
  if (!dirty_)
    return;
  if (announcing_)
    return;  // the running announcement sends another round for this change
  for (announcing_ = 1; dirty_ && announcing_ <= kMaxAnnounceRounds; ++announcing_) {
    dirty_ = false;
    auto event =
        MakeEvent<ZEvent>(kEvtParameterChanged, static_cast<ZParameter*>(this), static_cast<ZParameter*>(this));
    // Listeners attached during the round wait for the next change.
    for (size_t i = 0, n = listeners_.size(); i < n; ++i) {
      Listener& l = listeners_[i];
      if (!l.listener)
        continue;
      if (!l.notify) {
        l.notify = true;
        continue;
      }
      l.listener->OnEvent(event.get());
    }
  }
  dirty_ = false;
  announcing_ = 0;
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [](const Listener& l) { return !l.listener; }),
                   listeners_.end());
  for (Listener& l : listeners_)
    l.notify = true;
}

// ---- markup

int32_t ZBasicParameter::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  switch (event->Id()) {
    case kZMLEventGetTypeDecl:
      static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(ZString(Declaration()));
      return 0;
    case kZMLEventCreate: {
      auto* create = static_cast<ZMLEventCreate*>(event);
      host_ = create->Host();
      name_ = create->Name();
      return 0;
    }
    case kZMLEventSetProperty: {
      auto* e = static_cast<ZMLEventSetProperty*>(event);
      return SetProperty(e->Property().View(), e->Value().View());
    }
    case kZMLEventDependeeDestroy:
      OnDependeeDestroy(static_cast<ZMLEventDependeeDestroy*>(event)->Dependee());
      return 0;
    case kZMLEventDestroy:
      listeners_.clear();
      scaler_ = nullptr;
      return 0;
    default: return 0;
  }
}

void ZBasicParameter::OnDependeeDestroy(IEventListener* dependee) {
  if (dependee == scaler_)
    scaler_ = nullptr;
  DetachListener(dependee);
}

ZParameter* ZBasicParameter::FindParameter(std::string_view name) const {
  IEventListener* object = nullptr;
  if (!host_ || host_->GetObject(kParameterInterface, TrimBlanks(name), &object) != 0)
    return nullptr;
  return dynamic_cast<ZParameter*>(object);
}

int32_t ZBasicParameter::SetProperty(std::string_view name, std::string_view value) {
  double a, b;
  if (name == "listener") {
    IEventListener* object = nullptr;
    if (!host_ || host_->GetObject("interface_ieventlistener", TrimBlanks(value), &object) != 0 || !object)
      return kZErrIllegalPropertyValue;
    AttachListener(object);
    // A listener the document built tells this parameter before it goes; the pane manager is
    // not the document's (the host refuses the dependency) and outlives every parameter.
    host_->AddDependency(this, object);
    return 0;
  }
  if (name == "scaler") {
    IEventListener* object = nullptr;
    if (!host_ || host_->GetObject("interface_zparamscaler", TrimBlanks(value), &object) != 0)
      return kZErrIllegalPropertyValue;
    auto* scaler = dynamic_cast<ZParamScaler*>(object);
    if (!scaler)
      return kZErrIllegalPropertyValue;
    scaler_ = scaler;
    host_->AddDependency(this, object);
    return 0;
  }
  if (name == "displayname") {
    displayName_ = value;
    return 0;
  }
  if (name == "format")
    return SetDisplayFormat(value) ? 0 : kZErrIllegalPropertyValue;
  if (name == "unit") {
    unit_ = value;
    return 0;
  }
  if (name == "index") {
    // The list counts on from an index, so the largest index must leave room for one more.
    if (!ParseNumber(value, a) || a < 0 || a >= double(INT32_MAX) || a != std::floor(a))
      return kZErrIllegalPropertyValue;
    userIndex_ = int32_t(a);
    indexGiven_ = true;
    return 0;
  }
  if (name == "range") {
    const size_t comma = value.find(',');
    if (comma == std::string_view::npos || !ParseNumber(value.substr(0, comma), a) ||
        !ParseNumber(value.substr(comma + 1), b) || !SetValueRange(a, b))
      return kZErrIllegalPropertyValue;
    return 0;
  }
  if (name == "steps") {
    if (!ParseNumber(value, a) || !SetDiscreteSteps(a))
      return kZErrIllegalPropertyValue;
    return 0;
  }
  return SetOwnProperty(name, value);
}

int32_t ZBasicParameter::SetOwnProperty(std::string_view, std::string_view) { return kZErrUnknownProperty; }

}  // namespace ZTools
