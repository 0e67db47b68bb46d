// The compiler's option table and the parser of option strings. Pure text handling: options
// the table does not know go to a fallback supplied by the caller (the runtime's options).
#include "zentra/compiler/zcloption.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace {

struct NamedId {
  const char* name;
  int id;
};

constexpr NamedId kOptionNames[] = {
    {"verbose", kZCLOptVerbose},
    {"warning-level", kZCLOptWarningLevel},
    {"stack-locals", kZCLOptStackLocals},
    {"optimize", kZCLOptOptimize},
    {"use-rtchk", kZCLOptUseRtchk},
    {"file-ext", kZCLOptFileExt},
    {"file-import", kZCLOptFileImport},
    {"error-format", kZCLOptErrorFormat},
    {"register-locals", kZCLOptRegisterLocals},
};

constexpr NamedId kErrorFormats[] = {
    {"default", kZCLErrorFormatDefault},
    {"ms", kZCLErrorFormatMS},
    {"gnu", kZCLErrorFormatGNU},
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
    s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
    s.remove_suffix(1);
  return s;
}

// An integer with automatic base (decimal, 0x hex, leading-0 octal) and an optional sign.
// False when no digit was consumed; trailing characters are ignored. Saturates far beyond int.
bool parseInt(std::string_view s, long long* out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-'))
    negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '0') {
    base = 8;
    if (i + 2 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      base = 16;
      i += 2;
    }
  }
  long long v = 0;
  size_t start = i;
  for (; i < s.size(); i++) {
    char c = s[i];
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : 99;
    if (d >= base)
      break;
    if (v < (1LL << 40))
      v = v * base + d;
  }
  if (i == start)
    return false;
  *out = negative ? -v : v;
  return true;
}

bool isIdentifierText(std::string_view s) {
  if (s.empty())
    return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'))
      return false;
  return true;
}

}  // namespace

int ZCLFindOptionName(const char* name) {
  for (const NamedId& n : kOptionNames)
    if (std::strcmp(n.name, name) == 0)
      return n.id;
  return 0;
}

int ZCLFindErrorFormat(const char* value) {
  for (const NamedId& n : kErrorFormats)
    if (std::strcmp(n.name, value) == 0)
      return n.id;
  return 0;
}

ZILError ZCLParseOption(ZCLOption* options, const char* text, size_t length, ZCLOptionFallback fallback, void* user,
                        std::string* nameOut) {
  std::string_view whole(text ? text : "", text ? length : 0);
  size_t eq = whole.find('=');
  const std::string name(trim(whole.substr(0, eq)));
  std::string value(eq == std::string_view::npos ? std::string_view() : trim(whole.substr(eq + 1)));
  if (nameOut)
    *nameOut = name;

  // Boolean words count only as the whole value, so "zone" or "json" stay intact.
  if (value == "true" || value == "yes" || value == "on")
    value = "1";
  else if (value == "false" || value == "no" || value == "off")
    value = "0";

  const int id = ZCLFindOptionName(name.c_str());
  if (id == 0) {
    if (!fallback)
      return ZCL_WARN_Unknown_Option;
    return fallback(user, name.c_str(), value.c_str());
  }

  if (id == kZCLOptFileExt) {
    if (!isIdentifierText(value))
      return ZCL_WARN_Invalid_Option_Value;
    options->fileExt = value;
    return ZCL_OK;
  }
  if (id == kZCLOptErrorFormat) {
    int format = ZCLFindErrorFormat(value.c_str());
    if (!format)
      return ZCL_WARN_Invalid_Option_Value;
    options->errorFormat = format;
    return ZCL_OK;
  }

  long long v = 0;
  if (!parseInt(value, &v))
    return ZCL_WARN_Invalid_Option_Value;
  const long long max = id == kZCLOptWarningLevel || id == kZCLOptOptimize ? 3 : id == kZCLOptRegisterLocals ? 16 : 1;
  const long long min = id == kZCLOptRegisterLocals ? 1 : 0;
  if (v < min || v > max)
    return ZCL_WARN_Invalid_Option_Value;
  const int iv = static_cast<int>(v);
  switch (id) {
    case kZCLOptVerbose: options->verbose = iv; break;
    case kZCLOptWarningLevel: options->warningLevel = iv; break;
    case kZCLOptStackLocals: options->stackLocals = iv ? 2 : 0; break;
    case kZCLOptRegisterLocals: options->registerLocals = iv; break;
    case kZCLOptOptimize:
      options->optimize = iv;
      if (iv == 3)
        options->stackLocals = 2;
      break;
    case kZCLOptUseRtchk: options->useRtchk = iv; break;
    case kZCLOptFileImport: options->fileImport = iv; break;
    default: break;
  }
  return ZCL_OK;
}

ZILError ZCLApplyOptionString(ZCLOption* options, const char* text, ZCLOptionFallback fallback, void* user,
                              std::vector<ZCLOptionRejection>* rejected) {
  std::string_view rest(text ? text : "");
  while (true) {
    size_t cut = rest.find_first_of(",;");
    std::string_view piece = trim(rest.substr(0, cut));
    if (!piece.empty()) {
      std::string name;
      ZILError err = ZCLParseOption(options, piece.data(), piece.size(), fallback, user, &name);
      if (err != ZCL_OK && rejected)
        rejected->push_back({err, err == ZCL_WARN_Unknown_Option ? name : std::string(piece)});
    }
    if (cut == std::string_view::npos)
      break;
    rest.remove_prefix(cut + 1);
  }
  return ZCL_OK;
}
