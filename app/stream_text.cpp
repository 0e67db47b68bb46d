// Title and header-text helpers of the audio classes (see stream_text.h). Metadata arrives from
// radio servers, so every parser here is bounded by the view it is given.
#include "app/stream_text.h"

#include <cstdint>
#include <cstring>

namespace ZTools {

std::string ZTitleFromFileName(std::string_view name) {
  size_t slash = name.find_last_of("\\/");
  std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  size_t dot = last.rfind('.');
  if (dot != std::string_view::npos)
    last = last.substr(0, dot);
  return std::string(last);
}

std::string_view ZTagListView(const char* list) {
  if (!list)
    return {};
  size_t n = 0;
  while (list[n] != 0)
    n += std::strlen(list + n) + 1;
  return std::string_view(list, n);
}

std::string ZStreamInfoFromList(const char* list) {
  std::string info;
  for (const char* p = list; p && *p; p += std::strlen(p) + 1) {
    info += p;
    info += '\n';
  }
  return info;
}

bool ZTitleFromMetadata(std::string_view list, std::string& title) {
  std::string_view first = list.substr(0, list.find('\0'));
  const std::string_view kStreamTitle = "StreamTitle='";
  size_t at = first.find(kStreamTitle);
  if (at != std::string_view::npos) {
    std::string_view rest = first.substr(at + kStreamTitle.size());
    size_t end = rest.find("';");
    if (end == std::string_view::npos)
      return false;
    title.assign(rest.substr(0, end));
    return true;
  }
  while (!list.empty()) {
    size_t end = list.find('\0');
    std::string_view text = list.substr(0, end);
    if (text.empty())
      break;
    if (text.size() >= 6) {
      bool match = true;
      for (size_t i = 0; i < 6 && match; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
          c = static_cast<char>(c - 32);
        match = c == "TITLE="[i];
      }
      if (match) {
        title.assign(text.substr(6));
        return true;
      }
    }
    if (end == std::string_view::npos)
      break;
    list.remove_prefix(end + 1);
  }
  return false;
}

namespace {

// Length of the well-formed UTF-8 sequence at s[i] (no overlongs, surrogates or values above
// U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  auto b = [&](size_t k) {
    return static_cast<uint8_t>(s[k]);
  };
  uint8_t c = b(i);
  if (c < 0x80)
    return 1;
  size_t n;
  uint8_t lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0)
      lo = 0xA0;
    if (c == 0xED)
      hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0)
      lo = 0x90;
    if (c == 0xF4)
      hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size())
    return 0;
  if (b(i + 1) < lo || b(i + 1) > hi)
    return 0;
  for (size_t k = 2; k < n; ++k)
    if (b(i + k) < 0x80 || b(i + k) > 0xBF)
      return 0;
  return n;
}

// Windows-1252 bytes 0x80..0x9F; the five unassigned ones become U+FFFD.
const uint16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                  0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string ZToUtf8(std::string_view raw) {
  bool valid = true;
  for (size_t i = 0; i < raw.size();) {
    size_t n = Utf8SequenceLength(raw, i);
    if (n == 0) {
      valid = false;
      break;
    }
    i += n;
  }
  if (valid)
    return std::string(raw);
  std::string out;
  out.reserve(raw.size() * 2);
  for (char ch : raw) {
    uint8_t c = static_cast<uint8_t>(ch);
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
  }
  return out;
}

}  // namespace ZTools
