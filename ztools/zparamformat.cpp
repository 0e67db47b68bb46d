// Display formats: checking, formatting in the C locale, reading numbers.
#include "ztools/zparamformat.h"

#include <locale.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

// Reads up to two digits; false for three or more.
bool SkipSmallNumber(std::string_view f, size_t& i) {
  size_t digits = 0;
  while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) {
    ++i;
    if (++digits > 2)
      return false;
  }
  return true;
}

// Formats in the C locale for the calling thread only, and restores the thread's locale.
class CLocaleScope {
 public:
  CLocaleScope() {
    static locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    previous_ = c ? uselocale(c) : nullptr;
  }
  ~CLocaleScope() {
    if (previous_)
      uselocale(previous_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

bool IsValidDisplayFormat(std::string_view f) {
  if (f.size() > 64 || f.find('\0') != std::string_view::npos)
    return false;
  int conversions = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%')
      continue;
    if (++i >= f.size())
      return false;
    if (f[i] == '%')
      continue;
    while (i < f.size() && std::strchr("-+ #0", f[i]))
      ++i;
    if (!SkipSmallNumber(f, i))
      return false;
    if (i < f.size() && f[i] == '.') {
      ++i;
      if (!SkipSmallNumber(f, i))
        return false;
    }
    if (i < f.size() && f[i] == 'l')
      ++i;
    if (i >= f.size() || !std::strchr("feEgGaA", f[i]) || f[i] == '\0')
      return false;
    if (++conversions > 1)
      return false;
  }
  return true;
}

ZString FormatDisplayValue(std::string_view format, double value) {
  char fmt[72];
  if (format.empty() || !IsValidDisplayFormat(format))
    format = kDefaultDisplayFormat;
  std::memcpy(fmt, format.data(), format.size());
  fmt[format.size()] = '\0';
  char out[512];
  CLocaleScope c;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int n = std::snprintf(out, sizeof out, fmt, value);  // checked above: one double at most
#pragma GCC diagnostic pop
  return n < 0 ? ZString() : ZString(out, std::min<size_t>(size_t(n), sizeof out - 1));
}

bool ReadDisplayNumber(std::string_view text, double& value) { return ParseNumber(text, value); }

}  // namespace ZTools
