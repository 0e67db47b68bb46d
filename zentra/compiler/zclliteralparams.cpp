// The parameter list of a function or method literal. Its signature is always its delegate
// type's (the destination decides it); the list only names the parameters, and may repeat the
// delegate's parameter types before the names. A repeated type must be the delegate's own.
#include "zentra/compiler/zclgen.h"

namespace {

// Whether a type written in a literal's parameter list is the delegate's parameter type. `const`
// may be left out (the delegate's parameter stays const) or added (the body may not change it).
bool sameParameterType(const ZCLTypeDesc& written, const ZCLTypeDesc& expected) {
  if (written.type != expected.type || written.isWeak != expected.isWeak)
    return false;
  return written.type != ZIL_TYPE_ARRAY || written.elemType == expected.elemType;
}

}  // namespace

ZILError ZCLParseLiteralParameters(ZCLState* st, const ZCLClass* dg, std::vector<ZCLArg>* params) {
  ZILError err = ZCLExpect(st, kTokLParen);
  if (err)
    return err;
  if (ZCLPeek(st) == kTokRParen)
    return ZCLNext(st);
  for (;;) {
    ZCLArg param;
    const size_t typePos = ZCLNextTokenStart(st->file);
    std::string unknown;
    bool typed = false;
    const size_t at = ZCLFileGetPosition(st->file);
    err = ZCLParseType(st, &param.type, &unknown);
    if (err == ZCL_OK && ZCLPeek(st) == kTokIdentifier)
      typed = true;
    else if (err == ZCL_OK)
      ZCLFileSetPosition(st->file, at);  // a name that is also a type's name
    else if (err != ZCL_ERR_Not_A_Type_Declaration)
      return err;
    if ((err = ZCLNext(st)))
      return err;
    if (st->tokId != kTokIdentifier)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
    if (!unknown.empty() && ZCLPeek(st) == kTokIdentifier)
      return ZCLErrorAt(st, typePos, unknown.c_str(), ZCL_ERR_Undefined_Identifier);
    param.name = st->tok;
    const size_t i = params->size();
    if (typed && i < dg->dgArgs.size()) {
      if (!sameParameterType(param.type, dg->dgArgs[i].type)) {
        const std::string written = st->file->text.substr(typePos, st->tokStart - typePos);
        return ZCLErrorAt(st, typePos, written.substr(0, written.find_last_not_of(" \t\r\n") + 1).c_str(),
                          ZCL_ERR_No_Matching_Delegate);
      }
      param.type.isConst |= dg->dgArgs[i].type.isConst;
    } else if (i < dg->dgArgs.size()) {
      param.type = dg->dgArgs[i].type;
    }
    params->push_back(std::move(param));
    if ((err = ZCLNext(st)))
      return err;
    if (st->tokId == kTokRParen)
      return ZCL_OK;
    if (st->tokId != kTokComma)
      return ZCLError(st, st->tok.c_str(), ZCL_ERR_Unexpected_Token);
  }
}
