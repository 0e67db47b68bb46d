// zilformat.cpp - printf-style formatting of script values. A format text is checked before it
// reaches the C library: it may hold literal text and "%%" but exactly one conversion
// specification, whose conversion must fit the value's type and whose width and precision are
// bounded; %n and '*' never pass. Anything else formats as empty text. Also the array formatter,
// which formats one element per specification of a longer format text.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

constexpr int kMaxWidth = 1024;
constexpr int kMaxPrecision = 512;
constexpr size_t kMaxLiteral = 1024;

enum class Kind {
  None,
  Int,
  Float,
  String
};

Kind kindOf(char conversion) {
  if (strchr("diouxXc", conversion))
    return Kind::Int;
  if (strchr("eEfgGaA", conversion))
    return Kind::Float;
  if (conversion == 's')
    return Kind::String;
  return Kind::None;
}

// Reads a bounded decimal number; false when it exceeds limit.
bool readNumber(const char*& p, int limit) {
  int v = 0;
  while (*p >= '0' && *p <= '9') {
    v = v * 10 + (*p - '0');
    if (v > limit)
      return false;
    ++p;
  }
  return true;
}

// Checks the whole format; returns the kind of value its one conversion needs.
Kind checkFormat(const char* format) {
  Kind kind = Kind::None;
  size_t literal = 0;
  for (const char* p = format; *p;) {
    if (*p != '%') {
      ++p;
      if (++literal > kMaxLiteral)
        return Kind::None;
      continue;
    }
    if (p[1] == '%') {
      p += 2;
      ++literal;
      continue;
    }
    if (kind != Kind::None)
      return Kind::None;  // a second conversion
    ++p;
    while (*p && strchr("-+ #0", *p))
      ++p;
    if (!readNumber(p, kMaxWidth))
      return Kind::None;
    if (*p == '.') {
      ++p;
      if (!readNumber(p, kMaxPrecision))
        return Kind::None;
    }
    bool shortInt = false;
    bool longFloat = false;
    if (*p == 'h') {
      shortInt = true;
      ++p;
      if (*p == 'h')
        ++p;
    } else if (*p == 'l') {
      longFloat = true;
      ++p;
    }
    Kind k = *p ? kindOf(*p) : Kind::None;
    if (k == Kind::None || (shortInt && (k != Kind::Int || *p == 'c')) || (longFloat && k != Kind::Float))
      return Kind::None;
    kind = k;
    ++p;
  }
  return kind;
}

}  // namespace

ZILLong ZILFormatValueBytes(ZILState* ps, const ZILChar* format, ZILHandle* v, ZILChar* out) {
  out[0] = 0;
  if (!ps || !format || !v)
    return 0;
  Kind kind = checkFormat(format);
  int n = -1;
  switch (kind) {
    case Kind::Int:
      if (v->type == ZIL_TYPE_INT)
        n = snprintf(out, ZIL_FORMAT_BUFFER, format, v->payload.l);
      break;
    case Kind::Float:
      if (v->type == ZIL_TYPE_FLOAT)
        n = snprintf(out, ZIL_FORMAT_BUFFER, format, v->payload.f);
      break;
    case Kind::String:
      if (v->type == ZIL_TYPE_STRING)
        n = snprintf(out, ZIL_FORMAT_BUFFER, format, ZILStringText(static_cast<ZILString*>(v->payload.p)));
      break;
    case Kind::None: break;
  }
  if (n < 0) {
    out[0] = 0;
    return 0;
  }
  return n < ZIL_FORMAT_BUFFER ? n : ZIL_FORMAT_BUFFER - 1;
}

void ZILFormatValue(ZILState* ps, const ZILChar* format, ZILHandle* v, ZILChar* out) {
  if (out)
    ZILFormatValueBytes(ps, format, v, out);
}

ZILError ZILFormatArray(ZILState* ps, const ZILChar* format, ZILArray* a, ZILHandle** pOut) {
  static const char kConversions[] = "CdiouxXeEfgGnpsS";
  std::string result;
  std::string spec;
  ZILChar buffer[ZIL_FORMAT_BUFFER];
  const ZILChar* text = format ? format : "";
  size_t length = strlen(text);
  size_t p = 0;
  ZILLong k = 0;
  ZILLong count = a ? a->length : 0;
  try {
    while (p < length) {
      const char* percent = strchr(text + p, '%');
      if (!percent || k >= count) {
        result.append(text + p, length - p);
        break;
      }
      size_t at = static_cast<size_t>(percent - text);
      result.append(text + p, at - p);
      if (text[at + 1] == '%') {
        result.push_back('%');
        p = at + 2;
        continue;
      }
      size_t end = at + 1;
      while (end < length && !strchr(kConversions, text[end]))
        ++end;
      end = end < length ? end + 1 : length;
      spec.assign(text + at, end - at);
      ZILLong n = ZILFormatValueBytes(ps, spec.c_str(), a->slots[k], buffer);
      result.append(buffer, static_cast<size_t>(n));
      ++k;
      p = end;
      if (result.size() > ZIL_STRING_MAX_LENGTH)
        return ZIL_EXC_Allocation_Fail;
    }
  } catch (const std::bad_alloc&) {
    return ZIL_EXC_Allocation_Fail;
  }
  return ZILNewString(ps, result.data(), static_cast<ZILLong>(result.size()), pOut);
}
