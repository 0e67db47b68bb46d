// Display formats of parameters: a printf format with literal text, `%%` and at most one
// floating-point conversion (`%f`, `%e`, `%g`, `%a` in either case, flags `-+ #0`, width and
// precision up to 99, an optional `l`). Anything else could read arguments that are not there,
// so it is refused. Numbers are written in the C locale whatever the user's locale is.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/base/zstring.h"

namespace ZTools {

// The format used when none is given (or an empty one is).
inline constexpr const char* kDefaultDisplayFormat = "%g";

// True when the format is safe to use for one double.
bool IsValidDisplayFormat(std::string_view format);
// The value written with the format (the default format when `format` is empty or not valid);
// NaN and infinities are written as "nan", "inf" and "-inf".
ZString FormatDisplayValue(std::string_view format, double value);
// Reads a whole text as a number (blanks around it allowed, C locale); false for anything else,
// NaN and infinities included.
bool ReadDisplayNumber(std::string_view text, double& value);

}  // namespace ZTools
