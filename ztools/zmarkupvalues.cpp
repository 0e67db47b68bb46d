// Markup value parsing shared by the framework's objects.
#include "ztools/zmarkupvalues.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "ztools/base/zerror.h"

namespace ZTools {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool ParseNumber(std::string_view text, double& out) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  const char* end = text.data() + text.size();
  auto res = std::from_chars(text.data(), end, out);
  return !text.empty() && res.ec == std::errc() && res.ptr == end && std::isfinite(out);
}

bool ParseInt(std::string_view text, int32_t& out) {
  double v;
  if (!ParseNumber(text, v))
    return false;
  out = int32_t(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
  return true;
}

bool ParsePair(std::string_view text, int32_t& a, int32_t& b) {
  size_t comma = text.find(',');
  if (comma == std::string_view::npos)
    return false;
  return ParseInt(text.substr(0, comma), a) && ParseInt(text.substr(comma + 1), b);
}

bool ParseYesNo(std::string_view text, bool& out) {
  text = TrimBlanks(text);
  if (EqualsNoCase(text, "yes") || EqualsNoCase(text, "true")) {
    out = true;
    return true;
  }
  if (EqualsNoCase(text, "no") || EqualsNoCase(text, "false")) {
    out = false;
    return true;
  }
  return false;
}

bool FindWord(std::span<const ZWord> table, std::string_view word, uint32_t& value) {
  word = TrimBlanks(word);
  for (const ZWord& w : table) {
    if (EqualsNoCase(w.word, word)) {
      value = w.value;
      return true;
    }
  }
  return false;
}

std::string_view WordOf(std::span<const ZWord> table, uint32_t value) {
  for (const ZWord& w : table)
    if (w.value == value)
      return w.word;
  return {};
}

int32_t ParseFlagWords(std::span<const ZWord> table, std::string_view text, uint32_t start, uint32_t& out) {
  uint32_t flags = start;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view item = TrimBlanks(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (item.empty()) {
      if (comma == std::string_view::npos)
        break;
      return kZErrIllegalPropertyValue;  // "a,,b" or a trailing comma
    }
    bool on = true;
    size_t eq = item.find('=');
    if (eq != std::string_view::npos) {
      if (!ParseYesNo(item.substr(eq + 1), on))
        return kZErrIllegalPropertyValue;
      item = TrimBlanks(item.substr(0, eq));
    }
    uint32_t bits;
    if (!FindWord(table, item, bits))
      return kZErrIllegalPropertyValue;
    flags = on ? (flags | bits) : (flags & ~bits);
  }
  out = flags;
  return 0;
}

void DescribeFlags(std::span<const ZWord> table, uint32_t value, char* out, size_t size) {
  if (size == 0)
    return;
  out[0] = '\0';
  size_t used = 0;
  uint32_t left = value;
  auto append = [&](std::string_view text) {
    if (used + 1 >= size)
      return;
    if (used > 0)
      out[used++] = ',';
    size_t n = std::min(text.size(), size - 1 - used);
    std::copy_n(text.data(), n, out + used);
    used += n;
    out[used] = '\0';
  };
  // Words that name several bits first, so `default` reads as one word rather than four.
  for (int pass = 0; pass < 2; ++pass) {
    for (const ZWord& w : table) {
      bool composite = (w.value & (w.value - 1)) != 0;
      if (w.value == 0 || composite != (pass == 0) || (left & w.value) != w.value)
        continue;
      append(w.word);
      left &= ~w.value;
    }
  }
  if (left != 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", left);
    append(hex);
  }
  if (used == 0) {
    std::string_view zero = WordOf(table, 0);
    append(zero.empty() ? std::string_view("0") : zero);
  }
}

}  // namespace ZTools
