// Relative names of skin resources. Skins and scripts may separate folders with '\' or '/';
// the resource layer turns a name into one canonical form ('/' between parts, no "." parts,
// ".." resolved) and refuses a name whose ".." would climb above the skin's root, so a
// downloaded skin can never reach files outside itself.
#pragma once

#include <string_view>

#include "ztools/base/zstring.h"

namespace ZTools {

// Writes the canonical form of a relative resource name to out and answers true, or answers
// false when the name leaves the root or names nothing (empty, only separators and ".").
// Leading separators are ignored: every name is relative to the root.
bool ZResourceCanonicalName(std::string_view name, ZString& out);

}  // namespace ZTools
