// zclexpr.h - what the expression files share (zclexpr.cpp operators and precedence,
// zclcalls.cpp calls and construction, zclmembers.cpp names, members and function values,
// zclassign.cpp conversions and assignment). Private to the compiler.
#pragma once

#include <string>
#include <vector>

#include "zentra/compiler/zclgen.h"

inline bool ZCLIsInt(const ZCLVar* v) { return v->type.type == ZIL_TYPE_INT; }
inline bool ZCLIsFloat(const ZCLVar* v) { return v->type.type == ZIL_TYPE_FLOAT; }
inline bool ZCLIsNumeric(const ZCLVar* v) { return ZCLIsInt(v) || ZCLIsFloat(v); }
inline bool ZCLIsValueType(const ZCLTypeDesc& t) { return t.type == ZIL_TYPE_INT || t.type == ZIL_TYPE_FLOAT; }

// Operators (zclexpr.cpp).
// An assignment expression (the lowest level): `lvalue op= value` or a conditional expression.
ZILError ZCLParseAssign(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want);
// a op b for the arithmetic and bit operators, into a new temporary.
ZILError ZCLBinaryArith(ZCLGen* g, int op, ZCLVar* a, ZCLVar* b, ZCLVar** out);
// The binary operator of a compound assignment token (`+=` gives `+`).
int ZCLCompoundOp(int tok);

// Calls (zclcalls.cpp).
// The signature a call passes arguments by and reads its result by.
struct ZCLSignature {
  std::vector<ZCLArg> args;
  bool hasResult = false;
  ZCLTypeDesc result;
};
// Reads `( args )`: each argument into a register, with its type.
ZILError ZCLParseArgs(ZCLGen* g, std::vector<ZCLVar*>* args, std::vector<ZCLTypeDesc>* types);
// Calls f of class `where` (object: the object of a method call, null to use the current `this`
// or for a static function), or with callee set, calls the delegate or resumes the cofunction
// thread in it. The result (or null) into a new temporary.
ZILError ZCLEmitCallAs(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* callee, const ZCLSignature& sig, ZCLVar* object,
                       std::vector<ZCLVar*>& args, ZCLVar** out);
// ZCLEmitCallAs with f's own signature.
ZILError ZCLEmitCall(ZCLGen* g, ZCLClass* where, ZCLFunc* f, ZCLVar* object, std::vector<ZCLVar*>& args, ZCLVar** out);
// The overload of `name` in cls for these argument types (and the wanted result type).
ZILError ZCLResolveCall(ZCLGen* g, ZCLClass* cls, const std::string& name, size_t pos,
                        const std::vector<ZCLTypeDesc>& types, const ZCLTypeDesc* want, ZCLFunc** f);
bool ZCLHasFunction(ZCLClass* cls, const std::string& name);
// The class whose function `name` a bare name means: the current class, the global space, then
// the classes named by `using` (the global space when none has it).
ZCLClass* ZCLFunctionHome(ZCLGen* g, const std::string& name);
// name ( args ): a function of the current class, of the global space or of a used class.
ZILError ZCLParseCall(ZCLGen* g, const std::string& name, size_t namePos, ZCLVar** out, const ZCLTypeDesc* want);
// { a, b, c }: a new array filled element by element.
ZILError ZCLParseArrayLiteral(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want);
// A new object of class c (alloc or allocn) and, when given, its constructor f called on it.
ZILError ZCLEmitConstruct(ZCLGen* g, ZCLClass* c, ZCLFunc* f, std::vector<ZCLVar*>& args, ZCLVar** out);
// new Class ( args ), after `new`.
ZILError ZCLParseNew(ZCLGen* g, ZCLVar** out);

// Names and members (zclmembers.cpp).
// The variable or constant a name means (globalOnly: the global space only);
// an undefined identifier is an error.
ZILError ZCLLookupName(ZCLGen* g, const std::string& name, bool globalOnly, ZCLVar** out);
// A local, argument, member or global of this name (no report when there is none).
bool ZCLFindVariable(ZCLGen* g, const std::string& name, ZCLVar** out);
// Class :: name: a static function called or referenced, a constant, a cofunction started.
ZILError ZCLParseQualified(ZCLGen* g, ZCLClass* c, ZCLVar** out, const ZCLTypeDesc* want);
// An accessor of class c used on obj: `obj.name = v` calls the setter with v (the value of the
// whole assignment is v), `obj.name` the getter.
ZILError ZCLUseAccessor(ZCLGen* g, ZCLClass* c, ZCLVar* obj, const std::string& name, size_t pos, ZCLFunc* getter,
                        ZCLFunc* setter, ZCLVar** out);
// obj . name [ ( args ) ]: a member variable, an accessor or a method.
ZILError ZCLParseMember(ZCLGen* g, ZCLVar* obj, ZCLVar** out, const ZCLTypeDesc* want);
// v ( args ): calls the delegate or resumes the cofunction thread held in v.
ZILError ZCLParseVariableCall(ZCLGen* g, ZCLVar* v, size_t pos, ZCLVar** out);
// A function of `where` named `name` as a value (methods bound to `object`, null: `this`).
ZILError ZCLReferenceFunction(ZCLGen* g, ZCLClass* where, const std::string& name, size_t pos, ZCLVar* object,
                              ZCLVar** out, const ZCLTypeDesc* want);
// A function name as a value: of the current class, else of the global space.
ZILError ZCLFunctionReference(ZCLGen* g, const std::string& name, size_t pos, ZCLVar** out, const ZCLTypeDesc* want);
// function ( params ) { body } / method ( params ) { body }: a delegate to a new function.
ZILError ZCLParseFunctionLiteral(ZCLGen* g, bool isMethod, ZCLVar** out, const ZCLTypeDesc* want);
