// zilstringclass.cpp - the type proc of the built-in `string` class: its declaration text and its
// 33 functions (constructors, convertors, searches, edits, URL encoding, process, fill, ascii,
// format). Strings are byte strings that may hold zero bytes; every index a script passes is
// clamped, and methods that change text return a new string.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "zilinternal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "delegate int\t\tprocessor(const int chr, var args);method\t\t\t\tstring();method\t\t\t\tstring(const int);"
    "method\t\t\t\tstring(const float);explicit int\t\tconvertor();explicit float\t\tconvertor();accessor int\t\t"
    "length();accessor int\t\tlastChar();method int\t\t\tcompare(const string s);method int\t\t\tcharAt(const int "
    "index);method int\t\t\tfindChar(const int chr, const int index);method int\t\t\tfindCharReverse(const int chr, "
    "const int index);method int\t\t\tfindString(const string s, const int index);method int\t\t\tbeginsWith(const "
    "string s);method int\t\t\tendsWith(const string s);method int\t\t\tcontains(const string s, const int "
    "index);method string\t\tspanIncluding(const string charSet, const int index);method string\t\t"
    "spanExcluding(const string charSet, const int index);method string\t\tinsert(const string s, const int "
    "index);method string\t\tinsertChar(const int chr, const int index);method string\t\tremove(const int index, "
    "const int length);method string\t\treplace(const string search, const string replace);method string\t\t"
    "reverse();method string\t\tsubString(const int index, const int length);method string\t\ttrim();method "
    "string\t\ttoUpper();method string\t\ttoLower();method string\t\tencodeUrl(const string except);method "
    "string\t\tdecodeUrl(const string except);method string\t\tprocess(processor fn, var args);method string\t\t"
    "clone();function string\tfill(const int chr, const int length);function string\tascii(const int chr);"
    "function string\tformat(const string format, const var v);";
const ZILBuiltinClassData kClassData = {"string", "30.08.2007", "Built-in string class for ZentraScript.",
                                        kDeclaration};

// A view of some bytes; null and non-string arguments read as empty text.
struct Bytes {
  const ZILChar* p;
  ZILLong n;
  bool contains(unsigned char c) const { return n > 0 && memchr(p, c, static_cast<size_t>(n)) != nullptr; }
};

Bytes viewOf(const ZILString* s) { return {ZILStringText(s), s && s->text ? s->length : 0}; }

// Argument n as text: what NTLGetArgString and NTLGetArgStringLength give, in one look-up.
Bytes argBytes(ZILState* ps, ZILLong n) {
  ZILHandle* h = ZILNativeArg(ps, n);
  return h && h->type == ZIL_TYPE_STRING ? viewOf(static_cast<const ZILString*>(h->payload.p)) : Bytes{"", 0};
}

ZILError result(ZILState* ps, const std::string& text) {
  if (text.size() > ZIL_STRING_MAX_LENGTH)
    return ZIL_EXC_Allocation_Fail;
  return NTLReturnStringBytes(ps, text.data(), static_cast<ZILLong>(text.size()));
}

ZILError result(ZILState* ps, const ZILChar* p, int64_t n) {
  if (n > ZIL_STRING_MAX_LENGTH)
    return ZIL_EXC_Allocation_Fail;
  return NTLReturnStringBytes(ps, p, n > 0 ? static_cast<ZILLong>(n) : 0);
}

ZILLong clampIndex(ZILLong index, ZILLong length) { return index < 0 ? 0 : (index > length ? length : index); }

ZILLong findBytes(Bytes hay, Bytes needle, ZILLong from) {
  if (from < 0)
    from = 0;
  if (from > hay.n || needle.n > hay.n - from)
    return -1;
  if (needle.n == 0)
    return from;
  const void* at = memmem(hay.p + from, static_cast<size_t>(hay.n - from), needle.p, static_cast<size_t>(needle.n));
  return at ? static_cast<ZILLong>(static_cast<const ZILChar*>(at) - hay.p) : -1;
}

// Replaces the string's text (constructors work on their new object).
ZILError setText(ZILString* s, const ZILChar* text, ZILLong length) {
  if (s->text && length > 0 && length < s->capacity) {
    memmove(s->text, text, static_cast<size_t>(length));
    s->text[length] = 0;
    s->length = length;
    return 0;
  }
  s->length = 0;
  if (s->text)
    s->text[0] = 0;
  return ZILStringAppend(s, text, length);
}

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::string encodeUrl(Bytes s, Bytes except) {
  static const char kReserved[] = "$&+,/:;=?@ <>#%{}|\\^~[]`";
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (ZILLong i = 0; i < s.n; ++i) {
    unsigned char c = static_cast<unsigned char>(s.p[i]);
    if (!except.contains(c) && (c < 0x20 || c >= 0x80 || strchr(kReserved, c))) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string decodeUrl(Bytes s, Bytes except) {
  std::string out;
  for (ZILLong i = 0; i < s.n; ++i) {
    if (s.p[i] == '%' && i + 2 < s.n) {
      int hi = hexValue(static_cast<unsigned char>(s.p[i + 1]));
      int lo = hexValue(static_cast<unsigned char>(s.p[i + 2]));
      if (hi >= 0 && lo >= 0 && !except.contains(static_cast<unsigned char>(hi * 16 + lo))) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(s.p[i]);
  }
  return out;
}

ZILError process(ZILState* ps, Bytes s) {
  ZILHandle* fn = NTLGetArgHandle(ps, 0);
  ZILHandle* args = NTLGetArgHandle(ps, 1);
  std::string out;
  ZILError e = 0;
  // The text is copied: the delegate may change or free the string it came from.
  std::string text(s.p, static_cast<size_t>(s.n));
  for (char c : text) {
    ZILHandle* chr = ZILNewInt(ps, static_cast<signed char>(c));
    if (!chr) {
      e = ZIL_EXC_Allocation_Fail;
      break;
    }
    ZILHandle* callArgs[2] = {chr, args};
    ZILHandle* r = nullptr;
    e = ZILInvokeDelegate(ps, fn, 2, callArgs, &r);
    ZILRelease(ps, chr);
    if (e)
      break;
    e = NTLHandleToError(ps, r);
    if (!e && r->type == ZIL_TYPE_INT && (r->payload.l & 255) != 0)
      out.push_back(static_cast<char>(r->payload.l & 255));
    ZILRelease(ps, r);
    if (e)
      break;
  }
  NTLFreeHandle(ps, fn);
  NTLFreeHandle(ps, args);
  return e ? e : result(ps, out);
}

ZILError callStatic(ZILState* ps, ZILLong function) {
  switch (function) {
    case 30: {  // fill(chr, length)
      ZILLong length = ZILNativeArgInt(ps, 1);
      if (length > ZIL_STRING_MAX_LENGTH)
        return ZIL_EXC_Allocation_Fail;
      std::string out(length > 0 ? static_cast<size_t>(length) : 0, static_cast<char>(ZILNativeArgInt(ps, 0)));
      return result(ps, out);
    }
    case 31: {  // ascii(chr)
      ZILChar c = static_cast<ZILChar>(ZILNativeArgInt(ps, 0));
      return result(ps, &c, 1);
    }
    case 32: {  // format(format, v)
      ZILHandle* v = NTLGetArgHandle(ps, 1);
      const ZILChar* format = NTLGetArgString(ps, 0);
      ZILError e;
      if (v->type == ZIL_TYPE_ARRAY) {
        ZILHandle* out = nullptr;
        e = ZILFormatArray(ps, format, static_cast<ZILArray*>(v->payload.p), &out);
        if (!e) {
          e = NTLReturnHandle(ps, out);
          ZILRelease(ps, out);
        }
      } else {
        ZILChar buffer[ZIL_FORMAT_BUFFER];
        ZILLong n = ZILFormatValueBytes(ps, format, v, buffer);
        e = result(ps, buffer, n);
      }
      NTLFreeHandle(ps, v);
      return e;
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError callMember(ZILState* ps, ZILLong function, ZILString* self) {
  if (!self)
    return ZIL_EXC_Null_Reference;
  Bytes s = viewOf(self);
  switch (function) {
    case 0:  // string()
      return setText(self, nullptr, 0);
    case 1:
    case 2: {  // string(int), string(float)
      ZILChar buffer[64];
      // Ints take the same text as "%d" without going through the printf machinery; scripts
      // build strings from ints in their inner loops.
      int n = function == 1
                  ? static_cast<int>(std::to_chars(buffer, buffer + sizeof buffer, ZILNativeArgInt(ps, 0)).ptr - buffer)
                  : snprintf(buffer, sizeof buffer, "%g", NTLGetArgFloat(ps, 0));
      return setText(self, buffer, n);
    }
    case 3: return NTLReturnInt(ps, static_cast<ZILLong>(strtol(s.p, nullptr, 10)));
    case 4: return NTLReturnFloat(ps, atof(s.p));
    case 5: return NTLReturnInt(ps, s.n);
    case 6: return NTLReturnInt(ps, s.n > 0 ? static_cast<unsigned char>(s.p[s.n - 1]) : 0);
    case 7: {  // compare
      Bytes o = argBytes(ps, 0);
      ZILLong common = s.n < o.n ? s.n : o.n;
      int c = common > 0 ? memcmp(s.p, o.p, static_cast<size_t>(common)) : 0;
      if (c == 0)
        c = s.n < o.n ? -1 : (s.n > o.n ? 1 : 0);
      return NTLReturnInt(ps, c < 0 ? -1 : (c > 0 ? 1 : 0));
    }
    case 8: {  // charAt
      ZILLong i = ZILNativeArgInt(ps, 0);
      return NTLReturnInt(ps, i >= 0 && i < s.n ? static_cast<unsigned char>(s.p[i]) : 0);
    }
    case 9: {  // findChar
      unsigned char c = static_cast<unsigned char>(ZILNativeArgInt(ps, 0));
      ZILLong i = ZILNativeArgInt(ps, 1);
      if (i < 0)
        i = 0;
      if (i >= s.n)
        return NTLReturnInt(ps, -1);
      const void* at = memchr(s.p + i, c, static_cast<size_t>(s.n - i));
      return NTLReturnInt(ps, at ? static_cast<ZILLong>(static_cast<const ZILChar*>(at) - s.p) : -1);
    }
    case 10: {  // findCharReverse
      ZILChar c = static_cast<ZILChar>(ZILNativeArgInt(ps, 0));
      ZILLong i = ZILNativeArgInt(ps, 1);
      if (s.n == 0 || i < 0)
        return NTLReturnInt(ps, -1);
      if (i > s.n - 1)
        i = s.n - 1;
      while (i >= 0 && s.p[i] != c)
        --i;
      return NTLReturnInt(ps, i);
    }
    case 11:  // findString
      return NTLReturnInt(ps, findBytes(s, argBytes(ps, 0), ZILNativeArgInt(ps, 1)));
    case 12:
    case 13: {  // beginsWith, endsWith
      Bytes o = argBytes(ps, 0);
      bool yes =
          o.n > 0 && o.n <= s.n && memcmp(function == 12 ? s.p : s.p + (s.n - o.n), o.p, static_cast<size_t>(o.n)) == 0;
      return NTLReturnInt(ps, yes ? 1 : 0);
    }
    case 14: {  // contains: a test at one position
      Bytes o = argBytes(ps, 0);
      ZILLong i = ZILNativeArgInt(ps, 1);
      bool yes = o.n > 0 && i >= 0 && i <= s.n && o.n <= s.n - i && memcmp(s.p + i, o.p, static_cast<size_t>(o.n)) == 0;
      return NTLReturnInt(ps, yes ? 1 : 0);
    }
    case 15:
    case 16: {  // spanIncluding, spanExcluding
      Bytes set = argBytes(ps, 0);
      ZILLong i = ZILNativeArgInt(ps, 1);
      if (i < 0)
        i = 0;
      ZILLong end = i;
      while (end < s.n && set.contains(static_cast<unsigned char>(s.p[end])) == (function == 15))
        ++end;
      return i >= s.n ? result(ps, nullptr, 0) : result(ps, s.p + i, end - i);
    }
    case 17:
    case 18: {  // insert, insertChar
      ZILChar c = static_cast<ZILChar>(ZILNativeArgInt(ps, 0));
      Bytes o = function == 17 ? argBytes(ps, 0) : Bytes{&c, 1};
      ZILLong i = clampIndex(ZILNativeArgInt(ps, 1), s.n);
      std::string out(s.p, static_cast<size_t>(i));
      out.append(o.p, static_cast<size_t>(o.n));
      out.append(s.p + i, static_cast<size_t>(s.n - i));
      return result(ps, out);
    }
    case 19: {  // remove
      ZILLong i = ZILNativeArgInt(ps, 0);
      ZILLong length = ZILNativeArgInt(ps, 1);
      if (i < 0)
        i = 0;
      if (i >= s.n || length <= 0)
        return result(ps, s.p, s.n);
      int64_t end = static_cast<int64_t>(i) + length;
      if (end > s.n)
        end = s.n;
      std::string out(s.p, static_cast<size_t>(i));
      out.append(s.p + end, static_cast<size_t>(s.n - end));
      return result(ps, out);
    }
    case 20: {  // replace
      Bytes search = argBytes(ps, 0);
      Bytes with = argBytes(ps, 1);
      if (search.n == 0)
        return result(ps, s.p, s.n);
      std::string out;
      ZILLong from = 0;
      for (ZILLong at; (at = findBytes(s, search, from)) >= 0; from = at + search.n) {
        out.append(s.p + from, static_cast<size_t>(at - from));
        out.append(with.p, static_cast<size_t>(with.n));
        if (out.size() > ZIL_STRING_MAX_LENGTH)
          return ZIL_EXC_Allocation_Fail;
      }
      out.append(s.p + from, static_cast<size_t>(s.n - from));
      return result(ps, out);
    }
    case 21: {  // reverse
      std::string out(s.p, static_cast<size_t>(s.n));
      std::reverse(out.begin(), out.end());
      return result(ps, out);
    }
    case 22: {  // subString
      ZILLong i = ZILNativeArgInt(ps, 0);
      ZILLong length = ZILNativeArgInt(ps, 1);
      if (i < 0)
        i = 0;
      if (i >= s.n || length <= 0)
        return result(ps, nullptr, 0);
      int64_t end = static_cast<int64_t>(i) + length;
      return result(ps, s.p + i, (end > s.n ? s.n : end) - i);
    }
    case 23: {  // trim
      ZILLong begin = 0;
      ZILLong end = s.n;
      while (begin < end && static_cast<unsigned char>(s.p[begin]) <= 0x20)
        ++begin;
      while (end > begin && static_cast<unsigned char>(s.p[end - 1]) <= 0x20)
        --end;
      return result(ps, s.p + begin, end - begin);
    }
    case 24:
    case 25: {  // toUpper, toLower
      std::string out(s.p, static_cast<size_t>(s.n));
      for (char& c : out)
        c = static_cast<char>(function == 24 ? toupper(static_cast<unsigned char>(c))
                                             : tolower(static_cast<unsigned char>(c)));
      return result(ps, out);
    }
    case 26: return result(ps, encodeUrl(s, argBytes(ps, 0)));
    case 27: return result(ps, decodeUrl(s, argBytes(ps, 0)));
    case 28: return process(ps, s);
    case 29: return result(ps, s.p, s.n);
    default: return callStatic(ps, function);
  }
}

}  // namespace

ZILError ZILStringTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles: return 0;
    case NTL_NewObject: {
      ZILString* s = ZILStringCreate(inst->state, nullptr, 0);
      *ppDataOut = s;
      return s ? 0 : ZIL_EXC_Allocation_Fail;
    }
    case NTL_DestroyObject: ZILStringDestroy(static_cast<ZILString*>(pDataIn)); return 0;
    case NTL_CallStatic: try { return callStatic(inst->state, param);
      } catch (const std::bad_alloc&) {
        return ZIL_EXC_Allocation_Fail;
      }
    case NTL_CallMember: try { return callMember(inst->state, param, static_cast<ZILString*>(pDataIn));
      } catch (const std::bad_alloc&) {
        return ZIL_EXC_Allocation_Fail;
      }
    default:  // class name, versions, texts
      return ZILBuiltinClassQuery(kClassData, inst, msg, ppDataOut);
  }
}
