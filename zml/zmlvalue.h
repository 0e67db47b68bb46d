// Processing of markup values: variable references "$(name)" (which may nest, "$(a$(n))")
// are replaced by the variables' texts, then the four entities &lt; &gt; &quot; &amp; are
// replaced, in that order. Used for every attribute value and every text element.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "ztools/base/zstring.h"

namespace ZTools {

// Answers the text of the variable with that lower-case name, or null when it is not defined.
using ZMLVariableLookup = std::function<const ZString*(std::string_view lowerName)>;

// Expansion is bounded so that variables whose texts rebuild references cannot run away:
// more replacements than this in one value, or a value growing past the size limit, is
// kZErrVariableSyntax.
inline constexpr size_t kZMLMaxReferencesPerValue = 100000;
inline constexpr size_t kZMLMaxValueLength = size_t{64} << 20;

// Processes value in place. Throws ZError kZErrVariableNotDefined for an unknown variable and
// kZErrVariableSyntax when the limits above are exceeded. A "$(" without any ")" after it stays
// as it is.
void ZMLProcessValue(ZString& value, const ZMLVariableLookup& lookup);

}  // namespace ZTools
