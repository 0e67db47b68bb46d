// The declaration parser's entry points and the token helpers every parse function uses.
// Parse functions return 0 or an error code; an error is reported once, by the function that
// finds it, and every caller passes the code up unchanged. Look-ahead is done by saving and
// restoring the file's read position.
#pragma once

#include <string>
#include <vector>

#include "zentra/compiler/zclstate.h"
#include "zentra/compiler/zcltoken.h"

// Reads the next token into st->tok / st->tokId (st->tokStart: where it starts). Tokenizer
// failures are reported here (ZCL_ERR_Unexpected_EOF with no token, ZCL_ERR_Unexpected_Token with
// the characters read).
ZILError ZCLNext(ZCLState* st);
// The id of the next token without reading it (kTokNone at the end of the text or before a
// bad token); its text into *text when given.
int ZCLPeek(ZCLState* st, std::string* text = nullptr);
// Reads a token that must be `id`; otherwise reports `code` (ZCL_ERR_Unexpected_Token by default)
// on it.
ZILError ZCLExpect(ZCLState* st, int id, ZILError code = ZCL_ERR_Unexpected_Token);

// Reads the token after a declaration or a value, which ends the statement (`;`) or goes on
// with it (`,`, a body): as ZCLNext, but when the text ends there the statement lacks its `;`
// (ZCL_ERR_Missing_Semicolon, shown at the statement's last token).
ZILError ZCLNextAfterStatement(ZCLState* st);

// With the read position before a `{`: reads over the block to its matching `}`, as pass 0 does
// with function bodies. A failure is reported where reading stopped (the bad token, the start
// of a literal the text cuts off, or the end of the text naming the `{` left open).
ZILError ZCLSkipBody(ZCLState* st);

// Reads a type expression: [const] [weak] name [ [] | array ]. 0: *out holds it and the read
// position is after it. ZCL_ERR_Not_A_Type_Declaration (not reported): no type here, the
// position is unchanged and *unknown (when given) holds the leading identifier if it names
// nothing. Other codes (ZCL_ERR_Const_Thread, ZCL_ERR_Weak_Value_Type, ZCL_ERR_Array_Of_Array
// and tokenizer errors) are reported.
ZILError ZCLParseType(ZCLState* st, ZCLTypeDesc* out, std::string* unknown = nullptr);

// Parses top-level items up to the end of the text, or with `enclosed` from a `{` to its
// matching `}`. A text may also be wrapped in one pair of braces as a whole.
ZILError ZCLParseTopLevel(ZCLState* st, bool enclosed);

// Parses `file` as a whole text with it as the current file (restored afterwards).
ZILError ZCLParseFile(ZCLState* st, ZCLFile* file);

// Processes `import name` for the current pass (native type or file).
ZILError ZCLImport(ZCLState* st, const std::string& name);

// Applies an `option` statement's text to the option set in force; rejected options become
// warnings ZCL_WARN_Unknown_Option / ZCL_WARN_Invalid_Option_Value when `report` is set.
ZILError ZCLApplyOptionStatement(ZCLState* st, const std::string& text, bool report);

// Type rules.
bool ZCLTypeIdentical(ZCLState* st, const ZCLTypeDesc& target, const ZCLTypeDesc& source);
enum ZCLCompat : int {
  kZCLIncompatible = 0,
  kZCLIdentical = 1,
  kZCLConvertible = 2,
  kZCLExplicitOnly = 3,  // only an `explicit` constructor or convertor converts (ZCL_ERR_Needs_Type_Cast)
};
ZCLCompat ZCLTypeCompatible(ZCLState* st, const ZCLTypeDesc& target, const ZCLTypeDesc& source);
bool ZCLSameSignature(const ZCLTypeDesc& a, const ZCLTypeDesc& b);

// Overload resolution among the functions `name` of class cls for the argument types.
// wantResult: whether the call uses a result (then of type `want`). Returns 0 with *winner,
// ZCL_ERR_No_Matching_Function when no function fits, ZCL_ERR_Ambiguous_Call when several share
// the lowest cost. Reports nothing.
ZILError ZCLResolveOverload(ZCLState* st, ZCLClass* cls, const std::string& name, const std::vector<ZCLTypeDesc>& args,
                            bool wantResult, const ZCLTypeDesc& want, ZCLFunc** winner, int* cost = nullptr);

// A delegate type with this signature, made (named `name`) when none exists yet.
ZILError ZCLFindOrMakeDelegate(ZCLState* st, const std::string& name, bool hasResult, const ZCLTypeDesc& result,
                               const std::vector<ZCLArg>& args, int* typeId);
