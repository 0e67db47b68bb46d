// Validating UTF-8 and converting the stray bytes from Windows-1252; see utf8.h.
#include "platform/utf8.h"

#include <cstdint>

namespace Platform {
namespace {

// Windows-1252's 0x80..0x9F. The five bytes it leaves undefined keep the C1 control code of the
// same value, as the system's own conversion does.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// Length of the well-formed sequence at text[i], or 0. The ranges of the second byte are the
// ones that exclude overlong forms, surrogates and values above U+10FFFF.
size_t SequenceLength(std::string_view text, size_t i) {
  auto byte = [&](size_t k) {
    return k < text.size() ? uint8_t(text[k]) : uint8_t(0);
  };
  auto cont = [&](size_t k) {
    return (byte(k) & 0xC0) == 0x80;
  };
  const uint8_t b0 = byte(i), b1 = byte(i + 1);
  if (b0 < 0x80)
    return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF)
    return cont(i + 1) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    const uint8_t lo = b0 == 0xE0 ? 0xA0 : 0x80, hi = b0 == 0xED ? 0x9F : 0xBF;
    return b1 >= lo && b1 <= hi && cont(i + 2) ? 3 : 0;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    const uint8_t lo = b0 == 0xF0 ? 0x90 : 0x80, hi = b0 == 0xF4 ? 0x8F : 0xBF;
    return b1 >= lo && b1 <= hi && cont(i + 2) && cont(i + 3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (const size_t n = SequenceLength(text, i)) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    const uint8_t b = uint8_t(text[i++]);
    AppendCodePoint(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char32_t(b));
  }
  return out;
}

}  // namespace Platform
