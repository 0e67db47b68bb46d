// ZStringParameter.
#include "ztools/zstringparameter.h"

#include <cmath>

#include "ztools/zparamformat.h"

namespace ZTools {

double ZStringParameter::GetFloatValue() const {
  double v;
  return ReadDisplayNumber(text_.View(), v) ? v : 0.0;
}

void ZStringParameter::SetFloatValue(double value) {
  if (std::isfinite(value))
    text_ = FormatDisplayValue(format_.View(), value);
}

void ZStringParameter::SetNormalized(double position) {
  if (std::isfinite(position))
    SetFloatValue(LinearValue(Quantize(position)));
}

int32_t ZStringParameter::SetOwnProperty(std::string_view name, std::string_view value) {
  if (name != "value")
    return ZBasicParameter::SetOwnProperty(name, value);
  text_ = value;
  return 0;
}

}  // namespace ZTools
