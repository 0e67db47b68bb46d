// zcltokenread.cpp - reading tokens into the parser's state: the next token, a look at the one
// after it, an expected token, the token ending a statement, and reading over a body; each
// reports the tokenizer's failures with what the text shows at that point.
#include "zentra/compiler/zclparse.h"

ZILError ZCLNext(ZCLState* st) {
  ZILError err = ZCLGetToken(st->file, &st->tok, &st->tokId);
  st->tokStart = st->file->tokenStart;
  if (err == ZCL_ERR_Unexpected_EOF) {
    const char* literal = ZCLUnclosedLiteral(st->file, st->tokStart);
    return ZCLError(st, nullptr, err, literal ? std::string("the ") + literal + " that starts here is not closed" : "");
  }
  if (err)
    return ZCLError(st, st->tok.empty() ? nullptr : st->tok.c_str(), err);
  return ZCL_OK;
}

int ZCLPeek(ZCLState* st, std::string* text) {
  if (!text)
    return ZCLPeekTokenId(st->file);
  int id = kTokNone;
  if (ZCLPeekToken(st->file, text, &id) != ZCL_OK)
    return kTokNone;
  return id;
}

ZILError ZCLNextAfterStatement(ZCLState* st) {
  if (ZCLFileAtEnd(st->file))
    return ZCLErrorAt(st, st->file->text.size(), nullptr, ZCL_ERR_Missing_Semicolon);
  return ZCLNext(st);
}

ZILError ZCLSkipBody(ZCLState* st) {
  ZCLFile* file = st->file;
  const size_t open = ZCLNextTokenStart(file);
  st->tokStart = open;
  ZILError err = ZCLSkipBlock(file);
  if (err == ZCL_OK)
    return ZCL_OK;
  // The message points where reading stopped: a bad token, a cut-off literal or the end.
  const size_t at = ZCLFileGetPosition(file);
  std::string detail;
  if (err == ZCL_ERR_Unexpected_EOF) {
    if (const char* literal = ZCLUnclosedLiteral(file, at)) {
      detail = std::string("the ") + literal + " that starts here is not closed";
    } else if (at >= file->text.size() && open < file->text.size() && file->text[open] == '{') {
      int line = 1, column = 1;
      ZCLFileLineColumn(file, open, &line, &column);
      detail = "the '{' at line " + std::to_string(line) + ", column " + std::to_string(column) + " is not closed";
    }
  }
  const std::string token = err == ZCL_ERR_Unexpected_Token && at < file->text.size() ? file->text.substr(at, 1) : "";
  return ZCLErrorAt(st, at, token.empty() ? nullptr : token.c_str(), err, detail);
}

ZILError ZCLExpect(ZCLState* st, int id, ZILError code) {
  // A text that ends where a statement's `;` should be lacks the `;`, more to the point than
  // that it ends.
  if (code == ZCL_ERR_Missing_Semicolon && ZCLFileAtEnd(st->file))
    return ZCLErrorAt(st, st->file->text.size(), nullptr, code);
  ZILError err = ZCLNext(st);
  if (err)
    return err;
  if (st->tokId != id)
    return ZCLError(st, st->tok.c_str(), code);
  return ZCL_OK;
}
