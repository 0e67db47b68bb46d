// Pass-0 checks of simple initial values of global variables (literals, globals and calls of
// global and static functions): overload resolution and the value's type against the variable's,
// so that these errors are found with the declarations.
#pragma once

#include "zentra/compiler/zclstate.h"

// Read position after the `=`. When the value is of a simple form it is read (up to, not
// including, the `,` or `;` after it), checked, and *judged is set; errors
// (ZCL_ERR_Incompatible_Type, ZCL_ERR_Undefined_Identifier, ZCL_ERR_No_Matching_Function,
// ZCL_ERR_Ambiguous_Call, ZCL_ERR_Needs_Type_Cast) are reported. Otherwise the position is
// unchanged and 0 is returned.
ZILError ZCLCheckSimpleInitializer(ZCLState* st, const ZCLTypeDesc& target, bool* judged);
