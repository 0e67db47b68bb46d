// Reading markup property values, shared by every pane, control and drawing object: numbers,
// `x,y` pairs, yes/no words, and comma-separated flag-word lists such as
// `flags='wantidle,wantautoopen=no'` or `textalign='center,vcenter'`. Word tables are plain arrays
// of ZWord, so a table can be written once next to the constants it names.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ZTools {

struct ZWord {
  std::string_view word;
  uint32_t value;
};

std::string_view TrimBlanks(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

// A decimal integer or floating-point number, blanks around it allowed; false for anything else
// (including infinities and NaN).
bool ParseNumber(std::string_view text, double& out);
// A number made an int32 (truncated toward zero, limited to the 32-bit range).
bool ParseInt(std::string_view text, int32_t& out);
// "x,y": two numbers.
bool ParsePair(std::string_view text, int32_t& a, int32_t& b);
// "yes"/"true" or "no"/"false", without regard to case.
bool ParseYesNo(std::string_view text, bool& out);

// The value of one word of the table (without regard to case, blanks ignored); false if unknown.
bool FindWord(std::span<const ZWord> table, std::string_view word, uint32_t& value);
// The first word of the table with exactly this value, or "".
std::string_view WordOf(std::span<const ZWord> table, uint32_t value);
// A flag list applied to `start`: each item is a word (sets its bits), `word=yes|true` (sets
// them) or `word=no|false` (clears them). 0, or kZErrIllegalPropertyValue for an unknown word or
// value; `out` is only written on success. An empty list leaves `start` as it is.
int32_t ParseFlagWords(std::span<const ZWord> table, std::string_view text, uint32_t start, uint32_t& out);
// The words whose bits are all set in value, comma-separated (composite words first when they
// fit exactly), with any bits left over in hex: for messages and `tree`.
void DescribeFlags(std::span<const ZWord> table, uint32_t value, char* out, size_t size);

}  // namespace ZTools
