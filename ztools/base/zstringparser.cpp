// ZStringParser's scanning operations. Sets are turned into a 256-bit membership table once
// per call, so a scan costs one table lookup per character whatever the size of the set.
#include "ztools/base/zstringparser.h"

#include <cstring>

namespace ZTools {
namespace {

class CharSet {
 public:
  explicit CharSet(std::string_view set) noexcept {
    for (char c : set)
      bits_[Byte(c) >> 6] |= uint64_t{1} << (Byte(c) & 63);
  }
  bool Has(char c) const noexcept { return (bits_[Byte(c) >> 6] >> (Byte(c) & 63)) & 1; }

 private:
  static unsigned Byte(char c) noexcept { return static_cast<unsigned char>(c); }
  uint64_t bits_[4] = {0, 0, 0, 0};
};

}  // namespace

size_t ZStringParser::Advance(size_t count) noexcept {
  const size_t left = text_.Length() - position_;
  if (count > left)
    count = left;
  position_ += count;
  return count;
}

size_t ZStringParser::Skip(std::string_view set) noexcept {
  const CharSet members(set);
  const size_t start = position_;
  const char* text = text_.Data();
  while (position_ < text_.Length() && members.Has(text[position_]))
    ++position_;
  return position_ - start;
}

size_t ZStringParser::ReadWhile(std::string_view set, ZString& out) {
  const size_t start = position_;
  Skip(set);
  out.Assign(text_.View().substr(start, position_ - start));
  return position_ - start;
}

size_t ZStringParser::ReadUntil(std::string_view set, ZString& out) {
  const CharSet stops(set);
  const size_t start = position_;
  const char* text = text_.Data();
  while (position_ < text_.Length() && !stops.Has(text[position_]))
    ++position_;
  out.Assign(text_.View().substr(start, position_ - start));
  return position_ - start;
}

ptrdiff_t ZStringParser::ReadEnclosed(char open, char close, ZString& out) {
  if (AtEnd() || Peek() != open)
    return -1;
  const size_t start = position_ + 1;
  const size_t end = text_.Find(close, start);
  if (end == ZString::npos)
    return -1;
  out.Assign(text_.View().substr(start, end - start));
  position_ = end + 1;
  return static_cast<ptrdiff_t>(end - start);
}

bool ZStringParser::TestLiteral(std::string_view literal, bool ignoreCase) const noexcept {
  const std::string_view rest = Remaining();
  if (literal.size() > rest.size())
    return false;
  if (ignoreCase)
    return ZEqualsNoCase(rest.substr(0, literal.size()), literal);
  return rest.substr(0, literal.size()) == literal;
}

ptrdiff_t ZStringParser::FindLiteral(std::string_view literal) const noexcept {
  const size_t at = Remaining().find(literal);
  return at == std::string_view::npos ? -1 : static_cast<ptrdiff_t>(at);
}

ZStringParser::Location ZStringParser::LocationOf(size_t position) const noexcept {
  if (position > text_.Length())
    position = text_.Length();
  const char* text = text_.Data();
  int32_t line = 1;
  size_t lineStart = 0;  // index just after the last break character
  for (size_t i = 0; i < position; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n')
      continue;
    ++line;
    // The pair CR LF or LF CR is one break; its second character ends the break.
    if (i + 1 < position && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c)
      ++i;
    lineStart = i + 1;
  }
  return {line, static_cast<int32_t>(position - lineStart)};
}

}  // namespace ZTools
