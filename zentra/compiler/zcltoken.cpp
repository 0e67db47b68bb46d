// The tokenizer. Each read skips white space and comments, classifies the token by its first
// two characters and scans it. Every scan checks the text's length before each byte it looks
// at, so hostile text (cut-off literals, NUL bytes, huge numbers) only ever yields
// ZCL_ERR_Unexpected_EOF or ZCL_ERR_Unexpected_Token.
#include "zentra/compiler/zcltoken.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

namespace {

constexpr size_t kEnd = std::string::npos;

// Keywords in id order (ids 1..49).
constexpr std::array<std::string_view, 49> kKeywords = {
    "accessor",  "alias",    "and",      "array",      "break",  "case",      "class",   "cofunction", "const",
    "convertor", "default",  "delegate", "do",         "else",   "explicit",  "extern",  "false",      "float",
    "for",       "function", "hybrid",   "if",         "import", "interface", "int",     "method",     "native",
    "new",       "not",      "null",     "option",     "or",     "return",    "sameref", "strict",     "string",
    "switch",    "this",     "throw",    "true",       "typeof", "using",     "var",     "weak",       "while",
    "yield",     "__brk",    "__rtchk",  "__selftest",
};

struct FixedToken {
  std::string_view text;
  int id;
};

constexpr FixedToken kOperators[] = {
    {"+", kTokPlus},        {"-", kTokMinus},      {"*", kTokMul},        {"/", kTokDiv},        {"%", kTokMod},
    {"!", kTokNot},         {"&&", kTokAnd},       {"||", kTokOr},        {"==", kTokEq},        {">", kTokGt},
    {">=", kTokGe},         {"<", kTokLt},         {"<=", kTokLe},        {"!=", kTokNe},        {"&", kTokBitAnd},
    {"|", kTokBitOr},       {"^", kTokXor},        {"~", kTokBitNot},     {"<<", kTokShl},       {">>", kTokShr},
    {"=", kTokAssign},      {"+=", kTokAddAssign}, {"-=", kTokSubAssign}, {"*=", kTokMulAssign}, {"/=", kTokDivAssign},
    {"%=", kTokModAssign},  {"&=", kTokAndAssign}, {"|=", kTokOrAssign},  {"^=", kTokXorAssign}, {"<<=", kTokShlAssign},
    {">>=", kTokShrAssign}, {"++", kTokInc},       {"--", kTokDec},
};

// kOperators ordered by first character, longer spellings first, with each first character's
// range: the first entry that matches is the longest match.
struct OperatorIndex {
  std::array<uint8_t, std::size(kOperators)> order{};
  std::array<uint8_t, 128> first{};
  std::array<uint8_t, 128> count{};
};

constexpr OperatorIndex kOperatorIndex = [] {
  OperatorIndex ix{};
  constexpr size_t n = std::size(kOperators);
  for (size_t i = 0; i < n; i++)
    ix.order[i] = static_cast<uint8_t>(i);
  auto before = [](const FixedToken& a, const FixedToken& b) {
    return a.text[0] != b.text[0] ? a.text[0] < b.text[0] : a.text.size() > b.text.size();
  };
  for (size_t i = 1; i < n; i++)
    for (size_t j = i; j > 0 && before(kOperators[ix.order[j]], kOperators[ix.order[j - 1]]); j--) {
      uint8_t tmp = ix.order[j];
      ix.order[j] = ix.order[j - 1];
      ix.order[j - 1] = tmp;
    }
  for (size_t i = n; i-- > 0;) {
    auto c = static_cast<unsigned char>(kOperators[ix.order[i]].text[0]);
    ix.first[c] = static_cast<uint8_t>(i);
    ix.count[c]++;
  }
  return ix;
}();

constexpr FixedToken kPunctuation[] = {
    {":", kTokColon},  {"::", kTokScope},     {",", kTokComma},    {";", kTokSemicolon},
    {".", kTokDot},    {"...", kTokEllipsis}, {"(", kTokLParen},   {")", kTokRParen},
    {"{", kTokLBrace}, {"}", kTokRBrace},     {"[", kTokLBracket}, {"]", kTokRBracket},
};

// The id of each single-character punctuation token, 0 for other characters.
constexpr std::array<uint8_t, 256> kSingleId = [] {
  std::array<uint8_t, 256> ids{};
  for (const FixedToken& punct : kPunctuation)
    if (punct.text.size() == 1)
      ids[static_cast<unsigned char>(punct.text[0])] = static_cast<uint8_t>(punct.id);
  return ids;
}();

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isIdentChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }

inline int digitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return 99;
}

inline size_t identifierEnd(const std::string& t, size_t p) {
  while (p < t.size() && isIdentChar(t[p]))
    p++;
  return p;
}

// Position of the next token after white space and comments, or kEnd.
size_t skipSpace(const std::string& t, size_t p) {
  const size_t n = t.size();
  for (;;) {
    while (p < n && static_cast<unsigned char>(t[p]) <= 32)
      p++;
    if (p >= n)
      return kEnd;
    if (t[p] == '#' || (t[p] == '/' && p + 1 < n && t[p + 1] == '/')) {
      const void* lf = std::memchr(t.data() + p, '\n', n - p);
      if (!lf)
        return kEnd;
      p = static_cast<const char*>(lf) - t.data() + 1;
    } else if (t[p] == '/' && p + 1 < n && t[p + 1] == '*') {
      size_t close = t.find("*/", p + 2);
      if (close == kEnd)
        return kEnd;
      p = close + 2;
    } else {
      return p;
    }
  }
}

// Keyword ids ordered by spelling, for a binary search (id order is nearly, not quite,
// alphabetical: "interface" precedes "int").
constexpr std::array<int, 49> kKeywordsSorted = [] {
  std::array<int, 49> order{};
  for (int i = 0; i < 49; i++)
    order[i] = i;
  for (int i = 1; i < 49; i++)
    for (int j = i; j > 0 && kKeywords[order[j]] < kKeywords[order[j - 1]]; j--) {
      int tmp = order[j];
      order[j] = order[j - 1];
      order[j - 1] = tmp;
    }
  return order;
}();

// For each first byte, the range of kKeywordsSorted holding the keywords that start with it.
struct KeywordRange {
  uint8_t first;
  uint8_t count;
};

constexpr std::array<KeywordRange, 128> kKeywordRanges = [] {
  std::array<KeywordRange, 128> ranges{};
  for (int i = 0; i < 49; i++) {
    auto c = static_cast<unsigned char>(kKeywords[kKeywordsSorted[i]][0]);
    if (ranges[c].count == 0)
      ranges[c].first = static_cast<uint8_t>(i);
    ranges[c].count++;
  }
  return ranges;
}();

int keywordId(std::string_view word) {
  auto c = static_cast<unsigned char>(word[0]);
  if (c >= 128 || word.size() < 2 || word.size() > 10)
    return 0;
  const KeywordRange r = kKeywordRanges[c];
  for (int i = r.first; i < r.first + r.count; i++) {
    const std::string_view kw = kKeywords[kKeywordsSorted[i]];
    if (kw.size() == word.size() && std::memcmp(kw.data(), word.data(), kw.size()) == 0)
      return kKeywordsSorted[i] + 1;
  }
  return 0;
}

// Character classes for the first byte of a token.
enum CharClass : uint8_t {
  kClassOther,
  kClassIdent,
  kClassDigit,
  kClassOperator,
  kClassRun,
  kClassSingle,
};

constexpr std::array<uint8_t, 256> kCharClass = [] {
  std::array<uint8_t, 256> cls{};
  for (int c = 'a'; c <= 'z'; c++)
    cls[c] = kClassIdent;
  for (int c = 'A'; c <= 'Z'; c++)
    cls[c] = kClassIdent;
  cls['_'] = kClassIdent;
  for (int c = '0'; c <= '9'; c++)
    cls[c] = kClassDigit;
  for (char c : std::string_view("+-*/%<=>!&|^~"))
    cls[static_cast<unsigned char>(c)] = kClassOperator;
  for (char c : std::string_view(":,."))
    cls[static_cast<unsigned char>(c)] = kClassRun;
  for (char c : std::string_view("()[]{};"))
    cls[static_cast<unsigned char>(c)] = kClassSingle;
  return cls;
}();

// Reads a quoted literal whose opening quote is at p; appends its value to *out. Returns the
// position after the closing quote, or kEnd when the text ends first.
size_t readQuoted(const std::string& t, size_t p, char quote, std::string* out) {
  const size_t n = t.size();
  size_t q = p + 1;
  while (q < n) {
    char c = t[q++];
    if (c == quote)
      return q;
    if (c != '\\') {
      out->push_back(c);
      continue;
    }
    if (q >= n)
      return kEnd;
    char e = t[q++];
    switch (e) {
      case 'a': out->push_back('\a'); break;
      case 'b': out->push_back('\b'); break;
      case 'f': out->push_back('\f'); break;
      case 'n': out->push_back('\n'); break;
      case 'r': out->push_back('\r'); break;
      case 't': out->push_back('\t'); break;
      case 'v': out->push_back('\v'); break;
      case '0': {
        // The 0 is the first octal digit; any number of digits, the low byte is kept.
        unsigned v = 0;
        q--;
        while (q < n && t[q] >= '0' && t[q] <= '7')
          v = ((v << 3) | unsigned(t[q++] - '0')) & 0xFF;
        out->push_back(static_cast<char>(v));
        break;
      }
      case 'x': {
        unsigned v = 0;
        while (q < n && digitValue(t[q]) < 16)
          v = ((v << 4) | unsigned(digitValue(t[q++]))) & 0xFF;
        out->push_back(static_cast<char>(v));
        break;
      }
      default:
        out->push_back(e);  // \" \' \\ and any other character stand for themselves
        break;
    }
  }
  return kEnd;
}

// Reads a verbatim literal /"..."/ opening at p; appends its value. Returns the position after
// the closing "/ or kEnd.
size_t readVerbatim(const std::string& t, size_t p, std::string* out) {
  size_t start = p + 2;
  size_t q = start;
  for (;;) {
    q = t.find('"', q);
    if (q == kEnd || q + 1 >= t.size())
      return kEnd;
    if (t[q + 1] == '/') {
      out->append(t, start, q - start);
      return q + 2;
    }
    q++;
  }
}

inline bool verbatimAt(const std::string& t, size_t p) { return t[p] == '/' && p + 1 < t.size() && t[p + 1] == '"'; }

// A string or character literal starting at p, with its continuation literals. Returns 0 and
// sets *end, or ZCL_ERR_Unexpected_EOF.
ZILError readLiteral(const std::string& t, size_t p, char quote, std::string* out, size_t* end) {
  size_t q = p;
  bool verbatim = quote == '"' && verbatimAt(t, p);
  for (;;) {
    q = verbatim ? readVerbatim(t, q, out) : readQuoted(t, q, quote, out);
    if (q == kEnd)
      return ZCL_ERR_Unexpected_EOF;
    // A literal never ends a valid text, so running out here is an error, too.
    size_t r = skipSpace(t, q);
    if (r == kEnd)
      return ZCL_ERR_Unexpected_EOF;
    if (t[r] == quote) {
      verbatim = false;
      q = r;
    } else if (quote == '"' && verbatimAt(t, r)) {
      verbatim = true;
      q = r;
    } else {
      *end = q;
      return ZCL_OK;
    }
  }
}

ZILError readNumber(const std::string& t, size_t p, std::string* text, int* id, size_t* end) {
  const size_t n = t.size();
  constexpr uint64_t kMax = INT32_MAX;
  uint64_t v = 0;
  size_t q = p;
  int base = 0;
  if (t[p] == '0' && p + 1 < n) {
    switch (t[p + 1]) {
      case 'b': base = 2; break;
      case 'n': base = 4; break;
      case 'o': base = 8; break;
      case 'x': base = 16; break;
      default: break;
    }
  }
  if (base) {
    q = p + 2;
    int d;
    while (q < n && (d = digitValue(t[q])) < base) {
      v = v * base + d;
      if (v > kMax)
        v = kMax + 1;  // saturate; clamped below
      q++;
    }
  } else {
    while (q < n && isDigit(t[q])) {
      v = v * 10 + (t[q] - '0');
      if (v > kMax)
        v = kMax + 1;
      q++;
    }
    if (q < n && (t[q] == '.' || t[q] == 'e' || t[q] == 'E')) {
      q = p;
      while (q < n && isDigit(t[q]))
        q++;
      if (q < n && t[q] == '.') {
        q++;
        while (q < n && isDigit(t[q]))
          q++;
      }
      if (q < n && (t[q] == 'e' || t[q] == 'E')) {
        size_t r = q + 1;
        if (r < n && (t[r] == '+' || t[r] == '-'))
          r++;
        if (r < n && isDigit(t[r])) {
          while (r < n && isDigit(t[r]))
            r++;
          q = r;
        }
      }
      text->assign(t, p, q - p);
      *id = kTokFloatLiteral;
      *end = q;
      return ZCL_OK;
    }
  }
  if (v > kMax)
    v = kMax;
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, static_cast<int32_t>(v));
  text->assign(buf, res.ptr);
  *id = kTokIntLiteral;
  *end = q;
  return ZCL_OK;
}

// The longest operator spelled at p, whose first character is an operator character (each of
// which is an operator by itself, so there always is one).
const FixedToken& longestOperator(const std::string& t, size_t p) {
  const auto c = static_cast<unsigned char>(t[p]);
  const size_t left = t.size() - p;
  const size_t last = kOperatorIndex.first[c] + kOperatorIndex.count[c];
  for (size_t i = kOperatorIndex.first[c]; i + 1 < last; i++) {
    const FixedToken& op = kOperators[kOperatorIndex.order[i]];
    const size_t len = op.text.size();
    if (len <= left && t[p + 1] == op.text[1] && (len == 2 || t[p + 2] == op.text[2]))
      return op;
  }
  return kOperators[kOperatorIndex.order[last - 1]];
}

// Scans one token at p (not white space). Sets *end past it on success.
ZILError scanToken(const std::string& t, size_t p, std::string* text, int* id, size_t* end) {
  const size_t n = t.size();
  const char c = t[p];
  const char next = p + 1 < n ? t[p + 1] : '\0';

  if (c == '/' && next == '"') {
    *id = kTokStringLiteral;
    return readLiteral(t, p, '"', text, end);
  }
  const uint8_t cls = kCharClass[static_cast<unsigned char>(c)];
  if (cls == kClassIdent) {
    const size_t q = identifierEnd(t, p + 1);
    std::string_view word(t.data() + p, q - p);
    int kw = keywordId(word);
    *id = kw ? kw : kTokIdentifier;
    text->assign(word);
    *end = q;
    return ZCL_OK;
  }
  if (cls == kClassOperator) {
    const FixedToken& op = longestOperator(t, p);
    text->assign(op.text);
    *id = op.id;
    *end = p + op.text.size();
    return ZCL_OK;
  }
  if (isDigit(c) || (c == '.' && isDigit(next)))
    return readNumber(t, p, text, id, end);
  if (cls == kClassRun) {
    size_t q = p;
    while (q < n && (t[q] == ':' || t[q] == ',' || t[q] == '.'))
      q++;
    text->assign(t, p, q - p);
    for (const FixedToken& punct : kPunctuation)
      if (punct.text == *text) {
        *id = punct.id;
        *end = q;
        return ZCL_OK;
      }
    return ZCL_ERR_Unexpected_Token;
  }
  if (cls == kClassSingle) {
    text->assign(1, c);
    *id = kSingleId[static_cast<unsigned char>(c)];
    *end = p + 1;
    return ZCL_OK;
  }
  if (c == '"') {
    *id = kTokStringLiteral;
    return readLiteral(t, p, '"', text, end);
  }
  if (c == '\'') {
    *id = kTokCharLiteral;
    return readLiteral(t, p, '\'', text, end);
  }
  text->assign(1, c);
  return ZCL_ERR_Unexpected_Token;
}

// Reads the token at the read position (which must lie within the text) into *text and *id.
// *start is where the token begins, or on failure where the read position is to be left; *end
// is past the token on success.
ZILError readToken(const ZCLFile* file, std::string* text, int* id, size_t* start, size_t* end) {
  text->clear();
  *id = kTokNone;
  const size_t p = skipSpace(file->text, file->pos);
  if (p == kEnd) {
    *start = file->text.size();
    return ZCL_ERR_Unexpected_EOF;
  }
  *start = p;
  ZILError err = scanToken(file->text, p, text, id, end);
  if (err != ZCL_OK)
    *id = kTokNone;
  return err;
}

// Reads the token at the read position into the look-ahead cache, unless it holds it already.
// On failure the cache is emptied and peekText holds what the failed read left in a text.
ZILError fillPeek(ZCLFile* file) {
  ZCLFileSetPosition(file, file->pos);
  if (file->pos == file->peekFrom)
    return ZCL_OK;
  size_t start = 0, end = 0;
  ZILError err = readToken(file, &file->peekText, &file->peekId, &start, &end);
  if (err != ZCL_OK) {
    file->peekFrom = static_cast<size_t>(-1);
    return err;
  }
  file->peekFrom = file->pos;
  file->peekStart = start;
  file->peekEnd = end;
  return ZCL_OK;
}

}  // namespace

ZILError ZCLGetToken(ZCLFile* file, std::string* text, int* id) {
  ZCLFileSetPosition(file, file->pos);
  if (file->pos == file->peekFrom) {
    *text = file->peekText;
    *id = file->peekId;
    file->tokenStart = file->peekStart;
    file->pos = file->peekEnd;
    return ZCL_OK;
  }
  size_t end = 0;
  ZILError err = readToken(file, text, id, &file->tokenStart, &end);
  file->pos = err == ZCL_OK ? end : file->tokenStart;
  return err;
}

ZILError ZCLPeekToken(ZCLFile* file, std::string* text, int* id) {
  ZILError err = fillPeek(file);
  *text = file->peekText;
  *id = err == ZCL_OK ? file->peekId : kTokNone;
  return err;
}

int ZCLPeekTokenIdUncached(ZCLFile* file) { return fillPeek(file) == ZCL_OK ? file->peekId : kTokNone; }

bool ZCLFileAtEnd(const ZCLFile* file) {
  return file->pos >= file->text.size() || skipSpace(file->text, file->pos) == kEnd;
}

size_t ZCLNextTokenStart(const ZCLFile* file) {
  if (file->pos == file->peekFrom)
    return file->peekStart;
  size_t p = file->pos >= file->text.size() ? kEnd : skipSpace(file->text, file->pos);
  return p == kEnd ? file->text.size() : p;
}

ZILError ZCLSkipBlock(ZCLFile* file) {
  std::string text;
  int id = kTokNone;
  ZILError err = ZCLGetToken(file, &text, &id);
  if (err != ZCL_OK)
    return err;
  if (id != kTokLBrace)
    return ZCL_ERR_Unexpected_Token;
  // Names and single punctuation are passed over here; every other token is read as a whole,
  // so braces inside literals and comments do not count and bad tokens fail as in a read.
  // Depth fits any text: it cannot exceed the number of bytes.
  const std::string& t = file->text;
  size_t depth = 1;
  size_t p = file->pos;
  while (depth > 0) {
    const size_t q = p < t.size() ? skipSpace(t, p) : kEnd;
    if (q == kEnd) {
      file->pos = t.size();
      return ZCL_ERR_Unexpected_EOF;
    }
    const char c = t[q];
    const uint8_t cls = kCharClass[static_cast<unsigned char>(c)];
    if (cls == kClassIdent) {
      p = identifierEnd(t, q + 1);
    } else if (cls == kClassSingle) {
      depth += c == '{';
      depth -= c == '}';
      p = q + 1;
    } else if ((err = scanToken(t, q, &text, &id, &p)) != ZCL_OK) {
      file->pos = q;
      return err;
    }
  }
  file->pos = p;
  return ZCL_OK;
}

size_t ZCLPreviousTokenStart(const ZCLFile* file, size_t pos) {
  const std::string& t = file->text;
  std::string text;
  size_t found = pos;
  for (size_t p = 0;;) {
    const size_t q = p < t.size() ? skipSpace(t, p) : kEnd;
    if (q == kEnd || q >= pos)
      return found;
    int id = kTokNone;
    if (scanToken(t, q, &text, &id, &p) != ZCL_OK || p > pos)
      return found;
    found = q;
  }
}

const char* ZCLUnclosedLiteral(const ZCLFile* file, size_t pos) {
  const std::string& t = file->text;
  if (pos >= t.size() || (t[pos] != '"' && t[pos] != '\'' && !verbatimAt(t, pos)))
    return nullptr;
  const char quote = t[pos] == '\'' ? '\'' : '"';
  std::string value;
  // The literal and the literals joined to it, as readLiteral reads them.
  for (size_t p = pos; p < t.size();) {
    const bool verbatim = quote == '"' && verbatimAt(t, p);
    if (!verbatim && t[p] != quote)
      return nullptr;
    const size_t end = verbatim ? readVerbatim(t, p, &value) : readQuoted(t, p, quote, &value);
    if (end == kEnd)
      return verbatim ? "verbatim string" : quote == '"' ? "string literal" : "character literal";
    p = skipSpace(t, end);
  }
  return nullptr;
}

const char* ZCLTokenSpelling(int id) {
  if (id >= 1 && id <= 49)
    return kKeywords[id - 1].data();
  if (id >= kTokPlus && id <= kTokDec) {
    for (const FixedToken& op : kOperators)
      if (op.id == id)
        return op.text.data();
    return nullptr;
  }
  for (const FixedToken& punct : kPunctuation)
    if (punct.id == id)
      return punct.text.data();
  return nullptr;
}

double ZCLFloatLiteralValue(const std::string& text) {
  double v = 0.0;
  const char* first = text.data();
  const char* last = first + text.size();
  // from_chars does not take a leading '+'; a literal never has one, a '-' is the parser's.
  auto res = std::from_chars(first, last, v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large clamps to the largest double, too small to zero; a literal has no sign of
    // its own, so the exponent's sign tells which.
    size_t e = text.find_first_of("eE");
    bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
    v = tiny ? 0.0 : DBL_MAX;
  } else if (res.ec != std::errc()) {
    v = 0.0;
  }
  return v;
}

ZILError ZCLCharLiteralValue(const std::string& text, int32_t* value) {
  if (text.empty() || text.size() > 4)
    return ZCL_ERR_Invalid_Character_Literal;
  uint32_t v = 0;
  for (char c : text)
    v = (v << 8) | static_cast<unsigned char>(c);
  *value = static_cast<int32_t>(v);
  return ZCL_OK;
}
