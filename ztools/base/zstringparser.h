// ZStringParser: a scanner over one text with a current position, as the markup parser uses
// it. Every operation works at the position, stops at the end of the text and never reads
// outside it; characters past the end read as '\0'. Character sets are given as the list of
// their characters (a NUL inside the view is a member like any other).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ztools/base/zstring.h"

namespace ZTools {

class ZStringParser {
 public:
  ZStringParser() = default;
  // The parser keeps its own copy of the text.
  explicit ZStringParser(std::string_view text) : text_(text) {}

  void SetText(std::string_view text) {
    text_ = text;
    position_ = 0;
  }
  const ZString& Text() const noexcept { return text_; }

  bool AtEnd() const noexcept { return position_ >= text_.Length(); }
  // The character ahead characters past the position, or '\0' at or past the end.
  char Peek(size_t ahead = 0) const noexcept {
    return ahead < text_.Length() - position_ ? text_.At(position_ + ahead) : '\0';
  }
  // Moves forward by up to count characters; answers how many it really moved.
  size_t Advance(size_t count = 1) noexcept;

  // Skips characters that are in set; answers how many.
  size_t Skip(std::string_view set) noexcept;
  // Reads characters that are in set into out (replacing its text); answers how many.
  size_t ReadWhile(std::string_view set, ZString& out);
  // Reads characters up to (not including) the first one that is in set, or to the end,
  // into out (replacing its text); answers how many.
  size_t ReadUntil(std::string_view set, ZString& out);
  // With open at the position: reads the text up to the next close (no nesting, no escapes)
  // into out and moves past close; answers the text's length. Answers -1, moving nothing and
  // leaving out unchanged, when open is not at the position or close never follows.
  ptrdiff_t ReadEnclosed(char open, char close, ZString& out);

  // Whether literal stands at the position (never moves).
  bool TestLiteral(std::string_view literal, bool ignoreCase = false) const noexcept;
  // The offset from the position of the next occurrence of literal, or -1 (never moves).
  ptrdiff_t FindLiteral(std::string_view literal) const noexcept;

  size_t Position() const noexcept { return position_; }
  // Moves to position, clamped to the end of the text.
  void SetPosition(size_t position) noexcept { position_ = position < text_.Length() ? position : text_.Length(); }
  std::string_view Consumed() const noexcept { return text_.View().substr(0, position_); }
  std::string_view Remaining() const noexcept { return text_.View().substr(position_); }

  // Line (from 1) and column of a position, for messages: CR LF and LF CR count as one line
  // break, a lone CR or LF as one; the column is the number of characters between the last
  // break character and the position (before the first break, the position itself).
  struct Location {
    int32_t line;
    int32_t column;
  };
  Location LocationOf(size_t position) const noexcept;
  Location CurrentLocation() const noexcept { return LocationOf(position_); }

 private:
  ZString text_;
  size_t position_ = 0;
};

}  // namespace ZTools
