// The basic, exponential and decibel scalers.
#include "ztools/zscaler.h"

#include <algorithm>
#include <cmath>

#include "zml/zmlevent.h"
#include "ztools/base/zerror.h"
#include "ztools/zparameter.h"
#include "ztools/zparamformat.h"

namespace ZTools {
namespace {

double LinearPosition(double value, const ZParameter& p) {
  const double min = p.GetValueMin(), max = p.GetValueMax();
  if (max == min || !std::isfinite(value))
    return 0.0;
  return std::clamp((value - min) / (max - min), 0.0, 1.0);
}

double LinearValue(double position, const ZParameter& p) {
  if (!std::isfinite(position))
    position = 0.0;
  return p.GetValueMin() + (p.GetValueMax() - p.GetValueMin()) * std::clamp(position, 0.0, 1.0);
}

}  // namespace

int32_t ZBasicScaler::OnEvent(ZEvent* event) {
  if (!event)
    return kZErrNullPointer;
  if (event->Id() == kZMLEventGetTypeDecl) {
    static_cast<ZMLEventGetTypeDecl*>(event)->SetDeclaration(ZString(Declaration()));
  } else if (event->Id() == kZMLEventSetProperty) {
    auto* e = static_cast<ZMLEventSetProperty*>(event);
    return SetProperty(e->Property().View(), e->Value().View());
  }
  return 0;
}

ZString ZBasicScaler::ValueToString(double value, const ZParameter& parameter) const {
  return FormatDisplayValue(parameter.GetDisplayFormat().View(), value);
}

bool ZBasicScaler::StringToValue(std::string_view text, const ZParameter&, double& value) const {
  return ReadDisplayNumber(text, value);
}

double ZBasicScaler::NormalToValue(double position, const ZParameter& p) const { return LinearValue(position, p); }

double ZBasicScaler::ValueToNormal(double value, const ZParameter& p) const { return LinearPosition(value, p); }

int32_t ZBasicScaler::SetProperty(std::string_view, std::string_view) { return kZErrUnknownProperty; }

// ---- exponential

int32_t ZStdExpScaler::SetProperty(std::string_view name, std::string_view value) {
  if (name != "curve")
    return ZBasicScaler::SetProperty(name, value);
  double k;
  if (!ReadDisplayNumber(value, k))
    return kZErrIllegalPropertyValue;
  // Checked as stored: a curve too small for a float is 0, one too large is infinite.
  const float stored = float(k);
  if (!std::isfinite(stored))
    return kZErrIllegalPropertyValue;
  if (stored == 0.0f)
    return kZErrUnknownProperty;
  curve_ = stored;
  return 0;
}

double ZStdExpScaler::ValueToNormal(double value, const ZParameter& p) const {
  const double x = LinearPosition(value, p), k = curve_;
  return std::clamp(k > 0 ? std::pow(x, k) : 1.0 - std::pow(1.0 - x, -k), 0.0, 1.0);
}

double ZStdExpScaler::NormalToValue(double position, const ZParameter& p) const {
  const double n = std::clamp(std::isfinite(position) ? position : 0.0, 0.0, 1.0), k = curve_;
  return LinearValue(k > 0 ? std::pow(n, 1.0 / k) : 1.0 - std::pow(1.0 - n, -1.0 / k), p);
}

// ---- decibels

double ZStdLogScaler::NormalToValue(double position, const ZParameter&) const {
  if (!(position > 0.0))
    return kFloorDecibels;
  return std::max(20.0 * std::log10(std::min(position, 1.0)), kFloorDecibels);
}

double ZStdLogScaler::ValueToNormal(double value, const ZParameter&) const {
  if (!(value > kFloorDecibels))
    return 0.0;
  return std::clamp(std::pow(10.0, value / 20.0), 0.0, 1.0);
}

}  // namespace ZTools
