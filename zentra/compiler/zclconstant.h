// Constant values known while compiling: literals and named constants (a `const` global or class
// member whose value is known from its declaration, and the constants of native classes). They
// are what a `case` takes, and a constant declared with another constant's value is one as well.
#pragma once

#include "zentra/compiler/zclgen.h"

// Reads a constant at the read position: a literal (`true`, `false`, an int, char, float or
// string literal), `NAME` (a constant of `scope`, else of the global space), `::NAME` or
// `Class::NAME`, numbers optionally negated. A bare name that `g` (null in declarations) has as
// a local or argument is that variable, no constant. true: the value is in *value's constKind
// and value fields and the read position is after it; false: nothing is read. Reports nothing.
bool ZCLReadConstant(ZCLState* st, const ZCLGen* g, const ZCLClass* scope, ZCLMember* value);

// The value of a constant (constKind set) as a literal in a new temporary.
ZILError ZCLEmitConstant(ZCLGen* g, const ZCLMember& m, ZCLVar** out);

// A `case` value up to its `:`: a constant as a literal of the switch value's type `want` (an
// int constant becomes a float one where a float is wanted), or else any expression, which the
// caller refuses unless it is a literal (ZCL_ERR_Case_Not_Constant).
ZILError ZCLParseCaseValue(ZCLGen* g, const ZCLTypeDesc* want, ZCLVar** out);
