// Words for messages: how a type, a call and a function's overloads read in source form, and the
// hints the compiler adds to a message when it knows the usual fix (a `using` that is missing,
// or what the host says about a name it has not installed). The texts become the detail that
// follows a message's table text, so the table texts stay the same for every case.
#pragma once

#include <string>
#include <vector>

#include "zentra/compiler/zclstate.h"

// A type as a script writes it: "int", "const string", "weak Point", "float[]", "array".
std::string ZCLTypeName(ZCLState* st, const ZCLTypeDesc& type);

// A call with its argument types: "f(int, string)".
std::string ZCLCallText(ZCLState* st, const std::string& name, const std::vector<ZCLTypeDesc>& args);

// The overloads of `name` in cls, as declared: "f(int a), f(float b)"; at most `limit` are
// listed, then "...". Empty when cls has no function of that name.
std::string ZCLOverloadsText(ZCLState* st, const ZCLClass* cls, const std::string& name, size_t limit = 4);

// The detail of a call no overload takes (ZCL_ERR_No_Matching_Function) or several take alike
// (ZCL_ERR_Ambiguous_Call): the call with its argument types and the overloads there are; when
// cls has no function of that name, what ZCLNameHint knows about it.
std::string ZCLCallDetail(ZCLState* st, const ZCLClass* cls, const std::string& name,
                          const std::vector<ZCLTypeDesc>& args);

// A conversion that failed: "from 'float' to 'Point'".
std::string ZCLConversionText(ZCLState* st, const ZCLTypeDesc& from, const ZCLTypeDesc& to);

// A conversion only a type-cast makes (ZCL_ERR_Needs_Type_Cast): the conversion and the cast that
// makes it.
std::string ZCLCastDetail(ZCLState* st, const ZCLTypeDesc& from, const ZCLTypeDesc& to);

// What the compiler can say about a name it did not find where it looked: the host's hint for
// the name (ZCLSetNameHint), or, when a class not named by `using` has a static function of
// that name, how to reach it. Empty when it knows nothing.
std::string ZCLNameHint(ZCLState* st, const std::string& name);
