// ZGhostParameter.
#include "ztools/zghostparameter.h"

#include <algorithm>
#include <cmath>

#include "zml/zmlevent.h"
#include "zml/zmlscripthost.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zparamformat.h"
#include "ztools/zscaler.h"

namespace ZTools {

ZGhostParameter::~ZGhostParameter() { Unlink(); }

void ZGhostParameter::Unlink() {
  if (target_)
    target_->DetachListener(this);
  target_ = nullptr;
}

int32_t ZGhostParameter::OnEvent(ZEvent* event) {
  if (event && event->Id() == kEvtParameterChanged && event->Sender() == static_cast<void*>(target_)) {
    // The target changed: only the ghost's own listeners are told (the target told its own).
    ZBasicParameter::SetDirty();
    ZBasicParameter::Announce();
    return 0;
  }
  if (event && event->Id() == kZMLEventDestroy)
    Unlink();
  return ZBasicParameter::OnEvent(event);
}

void ZGhostParameter::OnDependeeDestroy(IEventListener* dependee) {
  if (dependee == static_cast<IEventListener*>(target_))
    target_ = nullptr;
  ZBasicParameter::OnDependeeDestroy(dependee);
}

double ZGhostParameter::QuantizeAway(double p) const {
  if (!std::isfinite(p))
    return 0.0;
  if (steps_ < 2.0f)
    return p;
  const double n = double(steps_) - 1.0, x = n * p;
  return std::clamp((x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5)) / n, 0.0, 1.0);
}

double ZGhostParameter::GetFloatValue() const {
  if (!target_)
    return 0.0;
  if (mode_ == 2)
    return target_->GetFloatValue();
  const double p = target_->GetNormalized();
  const ZParamScaler* s = GetScaler();
  return s ? s->NormalToValue(p, *this) : LinearValue(p);
}

void ZGhostParameter::SetFloatValue(double value) {
  if (!target_ || !std::isfinite(value))
    return;
  if (mode_ == 2) {
    target_->SetFloatValue(value);
    return;
  }
  const ZParamScaler* s = GetScaler();
  const double p = s ? s->ValueToNormal(LinearValue(QuantizeAway(LinearPosition(value))), *this)
                     : QuantizeAway(LinearPosition(value));
  target_->SetNormalized(std::clamp(p, 0.0, 1.0));
}

double ZGhostParameter::GetNormalized() const { return target_ ? target_->GetNormalized() : 0.0; }

void ZGhostParameter::SetNormalized(double position) {
  if (target_ && std::isfinite(position))
    target_->SetNormalized(QuantizeAway(std::clamp(position, 0.0, 1.0)));
}

ZString ZGhostParameter::GetStringValue() const {
  if (mode_ == 2 && target_)
    return target_->GetStringValue();
  const ZParamScaler* s = GetScaler();
  return s ? s->ValueToString(GetFloatValue(), *this) : FormatDisplayValue(format_.View(), GetFloatValue());
}

void ZGhostParameter::SetStringValue(std::string_view text) {
  if (mode_ == 2 && target_) {
    target_->SetStringValue(text);
    return;
  }
  double v;
  const ZParamScaler* s = GetScaler();
  if (s ? s->StringToValue(text, *this, v) : ReadDisplayNumber(text, v))
    SetFloatValue(v);
}

int32_t ZGhostParameter::GetUserIndex(bool follow) const {
  return follow && target_ ? target_->GetUserIndex(true) : ZBasicParameter::GetUserIndex(false);
}

uint32_t ZGhostParameter::GetStorageCaps(bool follow) const {
  return follow && target_ ? target_->GetStorageCaps(true) : 0;
}

void ZGhostParameter::Announce() {
  if (!IsDirty())
    return;
  ZBasicParameter::Announce();
  if (target_) {
    target_->SetDirty(this);
    target_->Announce();
  }
}

int32_t ZGhostParameter::SetOwnProperty(std::string_view name, std::string_view value) {
  if (name == "mode") {
    double m;
    if (!ParseNumber(value, m))
      return kZErrIllegalPropertyValue;
    if (m == 0 || m == 1 || m == 2)
      mode_ = int32_t(m);  // other numbers are ignored
    return 0;
  }
  if (name != "linkto")
    return ZBasicParameter::SetOwnProperty(name, value);
  ZParameter* target = FindParameter(value);
  if (!target)
    return kZErrIllegalPropertyValue;
  // Follow the chain of ghosts: it must end at a parameter that is not this one.
  const ZParameter* p = target;
  for (int hops = 0; p; ++hops) {
    if (p == this || hops > 10000)
      return kZErrIllegalPropertyValue;
    const auto* ghost = dynamic_cast<const ZGhostParameter*>(p);
    p = ghost ? ghost->target_ : nullptr;
  }
  Unlink();
  target_ = target;
  target_->AttachListener(this);
  if (Host())
    Host()->AddDependency(this, target);
  return 0;
}

}  // namespace ZTools
