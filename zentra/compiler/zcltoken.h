// The tokenizer: reads ZentraScript tokens from a ZCLFile. A token is an id and a text; the
// text of an integer literal is its (clamped) value in decimal, of a float literal the
// characters as written, of a string or character literal its value after escapes.
// The tokenizer reports nothing itself: it returns ZCL_ERR_Unexpected_EOF or
// ZCL_ERR_Unexpected_Token and the parser reports them.
#pragma once

#include <cstdint>
#include <string>

#include "zentra/compiler/zclfile.h"

enum ZCLTokenId : int {
  kTokNone = 0,
  // Keywords, 1..49.
  kTokAccessor = 1,
  kTokAlias,
  kTokAnd,
  kTokArray,
  kTokBreak,
  kTokCase,
  kTokClass,
  kTokCofunction,
  kTokConst,
  kTokConvertor,
  kTokDefault,
  kTokDelegate,
  kTokDo,
  kTokElse,
  kTokExplicit,
  kTokExtern,
  kTokFalse,
  kTokFloat,
  kTokFor,
  kTokFunction,
  kTokHybrid,
  kTokIf,
  kTokImport,
  kTokInterface,
  kTokInt,
  kTokMethod,
  kTokNative,
  kTokNew,
  kTokNot,
  kTokNull,
  kTokOption,
  kTokOr,
  kTokReturn,
  kTokSameref,
  kTokStrict,
  kTokString,
  kTokSwitch,
  kTokThis,
  kTokThrow,
  kTokTrue,
  kTokTypeof,
  kTokUsing,
  kTokVar,
  kTokWeak,
  kTokWhile,
  kTokYield,
  kTokBrk,
  kTokRtchk,
  kTokSelftest,
  // Operators; `!`, `&&` and `||` share the ids of `not`, `and` and `or`.
  kTokPlus = 50,
  kTokMinus,
  kTokMul,
  kTokDiv,
  kTokMod,
  kTokEq,
  kTokGt,
  kTokGe,
  kTokLt,
  kTokLe,
  kTokNe,
  kTokBitAnd,
  kTokBitOr,
  kTokXor,
  kTokBitNot,
  kTokShl,
  kTokShr,
  kTokAssign,
  kTokAddAssign,
  kTokSubAssign,
  kTokMulAssign,
  kTokDivAssign,
  kTokModAssign,
  kTokAndAssign,
  kTokOrAssign,
  kTokXorAssign,
  kTokShlAssign,
  kTokShrAssign,
  kTokInc,
  kTokDec,
  // Punctuation.
  kTokColon = 80,
  kTokScope,
  kTokComma,
  kTokSemicolon,
  kTokDot,
  kTokEllipsis,
  kTokLParen,
  kTokRParen,
  kTokLBrace,
  kTokRBrace,
  kTokLBracket,
  kTokRBracket,
  // Everything else.
  kTokIdentifier = 92,
  kTokIntLiteral,
  kTokFloatLiteral,
  kTokStringLiteral,
  kTokCharLiteral,
};

// Reads the next token into *text and *id and advances past it. Returns 0; ZCL_ERR_Unexpected_EOF
// when only white space and comments remain (or a literal is cut off by the end of the text);
// ZCL_ERR_Unexpected_Token for a character or run that is no token. On failure the read position
// is left where the failing token starts and *text holds its first characters, so messages point
// at it.
ZILError ZCLGetToken(ZCLFile* file, std::string* text, int* id);

// As ZCLGetToken, but the read position is restored afterwards.
ZILError ZCLPeekToken(ZCLFile* file, std::string* text, int* id);
// ZCLPeekTokenId when the look-ahead cache does not hold the token at the read position.
int ZCLPeekTokenIdUncached(ZCLFile* file);
// The id of the next token without its text (kTokNone when there is none or it is invalid);
// repeated look-ahead at one position scans once.
inline int ZCLPeekTokenId(ZCLFile* file) {
  return file->pos == file->peekFrom ? file->peekId : ZCLPeekTokenIdUncached(file);
}

// True when nothing but white space and comments (an unterminated block comment included)
// follows the read position: a ZCL_ERR_Unexpected_EOF from ZCLGetToken is then the normal end of
// the text and not a literal cut off by it.
bool ZCLFileAtEnd(const ZCLFile* file);

// Where the next token starts (after white space and comments); the text's length when none
// follows. Messages about a token point here.
size_t ZCLNextTokenStart(const ZCLFile* file);

// With the read position just before a `{`: skips to just after the matching `}`, reading
// tokens so that braces inside literals and comments do not count. ZCL_ERR_Unexpected_EOF when
// the text ends first, ZCL_ERR_Unexpected_Token when no `{` comes next or a bad token is met.
ZILError ZCLSkipBlock(ZCLFile* file);

// Where the last token that ends at or before `pos` starts, reading the text from its start (a
// missing `;` is shown at the statement's last token, not at the token that follows it). `pos`
// itself when no token comes before it or the text before it does not read.
size_t ZCLPreviousTokenStart(const ZCLFile* file, size_t pos);

// What kind of literal starts at `pos` and is cut off by the end of the text, before its
// closing quote: "string literal", "verbatim string" or "character literal"; null otherwise.
const char* ZCLUnclosedLiteral(const ZCLFile* file, size_t pos);

// The keyword or the operator/punctuation spelling of a fixed token id (the word for the
// shared ids 3, 29 and 32), or null for identifiers, literals and unknown ids.
const char* ZCLTokenSpelling(int id);

// The integer value of a character literal's text: 1 to 4 bytes packed big-endian (each byte
// shifted in from the right, so 'ab' is 24930); anything else is ZCL_ERR_Invalid_Character_Literal.
ZILError ZCLCharLiteralValue(const std::string& text, int32_t* value);

// The value of a float literal's text (as the tokenizer returns it): locale-independent;
// values beyond the double range are clamped to the largest finite double of the same sign.
double ZCLFloatLiteralValue(const std::string& text);
