// Markup property helpers of the controls: numbers within the controls' limits (the tables
// are templates in the header).
#include "ztools/zcontrolprops.h"

#include <cmath>

#include "ztools/zmarkupvalues.h"

namespace ZTools {

bool ParseControlNumber(std::string_view text, double& out) {
  double v;
  if (!ParseNumber(text, v) || !(std::fabs(v) <= kMaxControlNumber))
    return false;
  out = v;
  return true;
}

}  // namespace ZTools
