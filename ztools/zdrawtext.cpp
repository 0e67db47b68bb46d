// Text of the drawing context: UTF-8 decoding, line breaking, alignment and glyph blending.
// Layout works on code points and the font's integer advances; each line is placed by the
// horizontal flags (center before right before left) and the block by the vertical flags
// (vcenter before bottom before top). Glyphs are clipped to the text rectangle and the clip
// rectangle; coverage mixes the current colour into the pixels.
#include <algorithm>
#include <vector>

#include "ztools/zdrawcontext.h"
#include "ztools/zfont.h"

namespace ZTools {
namespace {

// Decodes UTF-8; a byte that does not start a valid sequence stands for itself (Latin-1).
std::vector<uint32_t> DecodeText(std::string_view text) {
  std::vector<uint32_t> out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size(), i = 0;
  while (i < n) {
    unsigned char c = s[i];
    int len = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : (c & 0xf8) == 0xf0 ? 4 : 0;
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1fu) : len == 3 ? (c & 0x0fu) : (c & 0x07u);
    bool ok = len > 1 && i + size_t(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      ok = (s[i + k] & 0xc0) == 0x80;
      cp = cp << 6 | (s[i + k] & 0x3fu);
    }
    if (ok && (cp < (len == 2 ? 0x80u : len == 3 ? 0x800u : 0x10000u) || cp > 0x10ffff))
      ok = false;
    if (len == 1) {
      out.push_back(c);
      ++i;
    } else if (ok) {
      out.push_back(cp);
      i += size_t(len);
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

struct Line {
  size_t begin;
  size_t end;
  int64_t width;
};

struct Layout {
  std::vector<uint32_t> text;
  std::vector<Line> lines;
  int64_t width = 0;
  int64_t height = 0;
};

bool IsSpace(uint32_t c) { return c == ' ' || c == '\t'; }

Layout LayOut(ZFont& font, std::string_view input, int64_t maxWidth, uint32_t align) {
  Layout lay;
  std::vector<uint32_t> raw = DecodeText(input);
  const bool single = align & kTextAlignSingleLine;
  for (uint32_t c : raw) {
    if (c == '\r' || (single && c == '\n'))
      continue;
    lay.text.push_back(c == '\t' ? ' ' : c);
  }
  if (lay.text.empty())
    return lay;
  const bool wrap = !single && (align & kTextAlignWordBreak) && maxWidth > 0;
  auto advance = [&](size_t i) -> int64_t {
    return lay.text[i] == '\n' ? 0 : font.Advance(lay.text[i]);
  };
  auto widthOf = [&](size_t b, size_t e) {
    int64_t w = 0;
    for (size_t i = b; i < e; ++i)
      w += advance(i);
    return w;
  };

  size_t start = 0;
  const size_t n = lay.text.size();
  while (start <= n) {
    // One paragraph: up to the next line feed.
    size_t end = start;
    while (end < n && lay.text[end] != '\n')
      ++end;
    if (!wrap) {
      lay.lines.push_back({start, end, widthOf(start, end)});
    } else {
      size_t lineStart = start;
      while (true) {
        int64_t w = 0;
        size_t i = lineStart, lastBreak = SIZE_MAX;
        while (i < end) {
          if (IsSpace(lay.text[i]))
            lastBreak = i;
          int64_t a = advance(i);
          if (w + a > maxWidth && i > lineStart && lastBreak != SIZE_MAX && !IsSpace(lay.text[i]))
            break;
          w += a;
          ++i;
        }
        if (i >= end) {
          lay.lines.push_back({lineStart, end, widthOf(lineStart, end)});
          break;
        }
        // Break at the last space: trailing blanks stay off this line, leading blanks off the next.
        size_t lineEnd = lastBreak;
        while (lineEnd > lineStart && IsSpace(lay.text[lineEnd - 1]))
          --lineEnd;
        lay.lines.push_back({lineStart, lineEnd, widthOf(lineStart, lineEnd)});
        lineStart = lastBreak;
        while (lineStart < end && IsSpace(lay.text[lineStart]))
          ++lineStart;
        if (lineStart >= end)
          break;
      }
    }
    if (end >= n)
      break;
    start = end + 1;
  }
  for (const Line& l : lay.lines)
    lay.width = std::max(lay.width, l.width);
  lay.height = int64_t(lay.lines.size()) * font.LineHeight();
  return lay;
}

int32_t ToSize(int64_t v) { return int32_t(std::min<int64_t>(v, INT32_MAX)); }

}  // namespace

ZPoint ZDrawContext::MeasureText(std::string_view text, const ZRect& rect, uint32_t align) const {
  Layout lay = LayOut(ZTools::GetFont(font_), text, int64_t(rect.right) - rect.left, align);
  return {ToSize(lay.width), ToSize(lay.height)};
}

ZPoint ZDrawContext::DrawText(std::string_view text, const ZRect& rect, uint32_t align) {
  ZFont& font = ZTools::GetFont(font_);
  const int64_t rw = int64_t(rect.right) - rect.left, rh = int64_t(rect.bottom) - rect.top;
  Layout lay = LayOut(font, text, rw, align);
  if (lay.lines.empty() || pixels_.empty())
    return {ToSize(lay.width), ToSize(lay.height)};

  // Device coordinates of the text rectangle, and the area glyphs may touch.
  const int64_t ox = int64_t(rect.left) + origin_.x, oy = int64_t(rect.top) + origin_.y;
  const ZRect area = ToClippedDevice(rect);
  if (area.IsEmpty())
    return {ToSize(lay.width), ToSize(lay.height)};
  const int32_t lh = font.LineHeight(), ascent = font.Ascent();

  int64_t y = oy;
  if (align & kTextAlignVCenter)
    y = oy + (rh - lay.height) / 2;
  else if (align & kTextAlignBottom)
    y = oy + rh - lay.height;

  const uint32_t color = color_.ToPixel();
  const int cb = color_.b, cg = color_.g, cr = color_.r;
  for (const Line& line : lay.lines) {
    int64_t x = ox;
    if (align & kTextAlignCenter)
      x = ox + (rw - line.width) / 2;
    else if (align & kTextAlignRight)
      x = ox + rw - line.width;
    if (y >= area.bottom)
      break;
    if (y + lh > area.top) {
      if (textMode_ == kTextModeOpaque) {
        ZRect box(int32_t(std::clamp<int64_t>(x, area.left, area.right)),
                  int32_t(std::clamp<int64_t>(y, area.top, area.bottom)),
                  int32_t(std::clamp<int64_t>(x + line.width, area.left, area.right)),
                  int32_t(std::clamp<int64_t>(y + lh, area.top, area.bottom)));
        FillDevice(box, backColor_.ToPixel());
      }
      int64_t pen = x;
      for (size_t i = line.begin; i < line.end; ++i) {
        const ZGlyph& g = font.Glyph(lay.text[i]);
        const int64_t gx = pen + g.left, gy = y + ascent - g.top;
        pen += g.advance;
        if (g.coverage.empty() || gx >= area.right || gx + g.width <= area.left)
          continue;
        const int64_t x0 = std::max<int64_t>(gx, area.left), x1 = std::min<int64_t>(gx + g.width, area.right);
        const int64_t y0 = std::max<int64_t>(gy, area.top), y1 = std::min<int64_t>(gy + g.height, area.bottom);
        for (int64_t py = y0; py < y1; ++py) {
          const uint8_t* cov = g.coverage.data() + size_t(py - gy) * g.width;
          uint32_t* row = pixels_.data() + size_t(py) * width_;
          for (int64_t px = x0; px < x1; ++px) {
            int c = cov[px - gx];
            if (c == 0)
              continue;
            if (c == 255) {
              row[px] = color;
              continue;
            }
            uint32_t d = row[px];
            int db = int(d & 255), dg = int(d >> 8 & 255), dr = int(d >> 16 & 255);
            db += (cb - db) * c / 255;
            dg += (cg - dg) * c / 255;
            dr += (cr - dr) * c / 255;
            row[px] = uint32_t(db) | uint32_t(dg) << 8 | uint32_t(dr) << 16;
          }
        }
      }
    }
    y += lh;
  }
  return {ToSize(lay.width), ToSize(lay.height)};
}

}  // namespace ZTools
