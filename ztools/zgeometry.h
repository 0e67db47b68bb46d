// ZPoint and ZRect: the framework's 32-bit signed points and rectangles. A rectangle's right and
// bottom edges are exclusive: width = right - left, it contains x when left <= x < right, and it
// is empty when right <= left or bottom <= top. Arithmetic that could leave the 32-bit range
// (clipping huge rectangles) is done in 64 bits and clamped.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ZTools {

struct ZPoint {
  int32_t x = 0;
  int32_t y = 0;

  constexpr ZPoint() = default;
  constexpr ZPoint(int32_t px, int32_t py) : x(px), y(py) {}

  constexpr bool operator==(const ZPoint&) const = default;
  constexpr ZPoint operator+(ZPoint o) const { return {x + o.x, y + o.y}; }
  constexpr ZPoint operator-(ZPoint o) const { return {x - o.x, y - o.y}; }
};

struct ZRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  constexpr ZRect() = default;
  constexpr ZRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

  static constexpr ZRect FromSize(int32_t w, int32_t h) { return {0, 0, w, h}; }
  static constexpr ZRect FromPoint(ZPoint p, int32_t w, int32_t h) { return {p.x, p.y, p.x + w, p.y + h}; }

  constexpr bool operator==(const ZRect&) const = default;

  constexpr int32_t Width() const { return right - left; }
  constexpr int32_t Height() const { return bottom - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  constexpr ZPoint TopLeft() const { return {left, top}; }
  constexpr ZPoint BottomRight() const { return {right, bottom}; }

  constexpr bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
  constexpr bool Contains(ZPoint p) const { return Contains(p.x, p.y); }

  // True when the two share at least one pixel (touching edges do not count).
  constexpr bool Overlaps(const ZRect& o) const {
    return top < o.bottom && left < o.right && o.top < bottom && o.left < right;
  }

  constexpr void Offset(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  constexpr ZRect Offsetted(ZPoint d) const { return {left + d.x, top + d.y, right + d.x, bottom + d.y}; }

  // Grows by dx on the left and right and by dy at the top and bottom (negative shrinks).
  constexpr void Inflate(int32_t dx, int32_t dy) {
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
  }

  // The common part; (0, 0, 0, 0) when either is empty or they do not overlap.
  constexpr ZRect Intersection(const ZRect& o) const {
    if (IsEmpty() || o.IsEmpty() || !Overlaps(o))
      return {};
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  }

  // The smallest rectangle holding both; an empty operand is ignored.
  constexpr ZRect Union(const ZRect& o) const {
    if (IsEmpty())
      return o;
    if (o.IsEmpty())
      return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
  }
};

}  // namespace ZTools
