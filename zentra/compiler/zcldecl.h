// zcldecl.h - what the declaration files share (zcldecl.cpp: items, classes, variables, imports;
// zclfuncdecl.cpp: functions and delegates). Private to the compiler.
#pragma once

#include <string>

#include "zentra/compiler/zclparse.h"

// A class made by the host or declared `native`: its functions have no script bodies.
bool ZCLIsNativeClass(const ZCLClass* cls);
// `Class::name` inside a class, the bare name in the global space.
std::string ZCLQualifiedName(const ZCLClass* scope, const std::string& name);
// `[ "text" ]` after a declaration; sets *tag in pass 0.
ZILError ZCLParseTag(ZCLState* st, std::string* tag);
// Reads `;`, reporting a missing semicolon on whatever stands there instead.
ZILError ZCLExpectSemicolon(ZCLState* st);
// A type where a declaration needs one: an unknown name is an undefined identifier, anything
// else an unexpected token.
ZILError ZCLParseRequiredType(ZCLState* st, ZCLTypeDesc* out);
// Tokens that may name a function: identifiers, `convertor`, and the keyword class names.
bool ZCLIsNameToken(int id);

// After the kind keyword is peeked: a function, method, accessor, cofunction or explicit
// method, declared or defined (extraFlags: modifiers read before it).
ZILError ZCLParseFunction(ZCLState* st, ZCLClass* scope, int extraFlags);
// After `delegate` is peeked: a delegate type (pass 0 makes it or finds its equal).
ZILError ZCLParseDelegate(ZCLState* st, ZCLClass* scope);
