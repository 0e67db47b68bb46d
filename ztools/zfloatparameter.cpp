// ZFloatParameter and ZVstParameter.
#include "ztools/zfloatparameter.h"

#include <algorithm>
#include <cmath>

#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zparamformat.h"
#include "ztools/zscaler.h"

namespace ZTools {
namespace {

float ClampPosition(double p) { return float(std::clamp(std::isfinite(p) ? p : 0.0, 0.0, 1.0)); }

constexpr ZWord kStorageWords[] = {
    {"normal", kVstParamNormal},           {"global", kVstParamGlobal},         {"volatile", kVstParamVolatile},
    {"automatable", kVstParamAutomatable}, {"notifyself", kVstParamNotifySelf}, {"default", kVstParamDefault},
};

}  // namespace

double ZFloatParameter::GetFloatValue() const {
  const ZParamScaler* s = GetScaler();
  return s ? s->NormalToValue(p_, *this) : LinearValue(p_);
}

void ZFloatParameter::SetFloatValue(double value) {
  if (!std::isfinite(value))
    return;
  const ZParamScaler* s = GetScaler();
  if (!s) {
    p_ = ClampPosition(Quantize(LinearPosition(value)));
    return;
  }
  if (steps_ >= 2.0f)
    value = LinearValue(Quantize(LinearPosition(value)));
  p_ = ClampPosition(s->ValueToNormal(value, *this));
}

double ZFloatParameter::GetNormalized() const {
  const ZParamScaler* s = GetScaler();
  return s ? LinearPosition(s->NormalToValue(p_, *this)) : p_;
}

void ZFloatParameter::SetNormalized(double position) {
  if (!std::isfinite(position))
    return;
  const double n = Quantize(std::clamp(position, 0.0, 1.0));
  const ZParamScaler* s = GetScaler();
  p_ = ClampPosition(s ? s->ValueToNormal(LinearValue(n), *this) : n);
}

ZString ZFloatParameter::GetStringValue() const {
  const ZParamScaler* s = GetScaler();
  return s ? s->ValueToString(GetFloatValue(), *this) : FormatDisplayValue(format_.View(), GetFloatValue());
}

bool ZFloatParameter::ReadValueText(std::string_view text, double& value) const {
  const ZParamScaler* s = GetScaler();
  return s ? s->StringToValue(text, *this, value) : ReadDisplayNumber(text, value);
}

void ZFloatParameter::SetStringValue(std::string_view text) {
  double v;
  if (ReadValueText(text, v))
    SetFloatValue(v);
}

int32_t ZFloatParameter::SetOwnProperty(std::string_view name, std::string_view value) {
  if (name != "value")
    return ZBasicParameter::SetOwnProperty(name, value);
  double v;
  if (!ReadValueText(value, v))
    return kZErrIllegalPropertyValue;
  SetFloatValue(v);
  return 0;
}

int32_t ZVstParameter::SetOwnProperty(std::string_view name, std::string_view value) {
  if (name == "chunkid") {
    value = TrimBlanks(value);
    if (value.empty() || value.size() > 7)
      return kZErrIllegalPropertyValue;
    chunkId_ = value;
    return 0;
  }
  if (name == "flags")
    return ParseFlagWords(kStorageWords, value, kVstParamNormal, storage_);
  if (name == "midicontrol") {
    double n;
    if (!ParseNumber(value, n) || n < 0 || n > 127 || n != std::floor(n))
      return kZErrIllegalPropertyValue;
    midiControl_ = int32_t(n);
    return 0;
  }
  const int32_t rc = ZFloatParameter::SetOwnProperty(name, value);
  if (rc == 0 && name == "value")
    defaultValue_ = GetFloatValue();
  return rc;
}

}  // namespace ZTools
