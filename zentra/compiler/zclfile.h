// ZCLFile: one source text held wholly in memory with a read position, as the tokenizer and
// the parser see it. Look-ahead is only a change of the read position, so backtracking never
// copies. Also turns a position into the line and column shown in messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zentra/compiler/zclerrors.h"

// The name shown in messages for a text compiled without one.
inline constexpr const char* kZCLAnonymousName = "anonymous character string";

// Where a code word came from, in 32 bits: the source file in the top 12 (its number in the
// compiler's list of source files, from 1) and the line in the low 20, so the runtime can tell
// the line of any instruction; 0 means no source line (code the compiler makes itself). A file
// past the 4095th or a line past 1048575 goes without marks.
using ZCLLineMark = uint32_t;
inline constexpr int kZCLMarkLineBits = 20;
inline constexpr uint32_t kZCLMarkMaxLine = (1u << kZCLMarkLineBits) - 1;
inline constexpr uint32_t kZCLMarkMaxFile = (1u << (32 - kZCLMarkLineBits)) - 1;
inline constexpr ZCLLineMark ZCLMakeLineMark(int32_t file, int line) {
  return file <= 0 || static_cast<uint32_t>(file) > kZCLMarkMaxFile || line <= 0 ||
                 static_cast<uint32_t>(line) > kZCLMarkMaxLine
             ? 0
             : static_cast<uint32_t>(file) << kZCLMarkLineBits | static_cast<uint32_t>(line);
}
inline constexpr int32_t ZCLMarkFile(ZCLLineMark mark) { return static_cast<int32_t>(mark >> kZCLMarkLineBits); }
inline constexpr int ZCLMarkLine(ZCLLineMark mark) { return static_cast<int>(mark & kZCLMarkMaxLine); }

// The words of a function from `at` up to the next run's start have `mark` (see zcllines.h).
struct ZCLLineRun {
  uint32_t at;
  ZCLLineMark mark;
};

struct ZCLFile {
  std::string name;  // shown in messages
  std::string text;  // may hold NUL bytes; they read as white space
  size_t pos = 0;    // read position, 0 .. text.size()
  int pass = -1;     // pass in which the text was last parsed, -1 before the first

  // Where the last line/column lookup ended, so that lookups in increasing order (messages
  // of one pass) scan each byte once. Only ZCLFileLineColumn uses these.
  mutable size_t lcPos = 0;
  mutable int lcLine = 1;
  mutable int lcColumn = 1;
  mutable char lcBreak = 0;  // CR or LF just counted, which the other one would pair with

  // The token the last look-ahead read, so that reading it next does not scan it again.
  // Only the tokenizer uses these; opening or closing the file forgets it.
  size_t peekFrom = static_cast<size_t>(-1);
  size_t peekStart = 0;  // where that token starts (after white space and comments)
  size_t peekEnd = 0;
  int peekId = 0;
  std::string peekText;
  // Where the token the last ZCLGetToken read starts, or where it failed (the read position).
  size_t tokenStart = 0;

  // Line index for the code's line marks (ZCLFileLine): the position where each line starts,
  // built on first use; lineHint is the line of the last lookup. lineBase counts the lines of
  // an enclosing text before this one (a member's initial value read on its own).
  mutable std::vector<size_t> lineStarts;
  mutable size_t lineHint = 0;
  int lineBase = 0;
  int32_t sourceId = -1;  // the file's number for line marks once known (0: none)
};

// Copies the name (null gives kZCLAnonymousName) and the text; the read position becomes 0.
ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text, size_t length);
ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text);

// Releases the text; the record can be opened again.
void ZCLFileClose(ZCLFile* file);

inline size_t ZCLFileGetPosition(const ZCLFile* file) { return file->pos; }

// Clamps the position to the text.
inline void ZCLFileSetPosition(ZCLFile* file, size_t pos) {
  file->pos = pos < file->text.size() ? pos : file->text.size();
}

// The line (from 1, plus lineBase) of a position, with the line breaks of ZCLFileLineColumn.
// Fast for positions near the last one asked for, the order in which code is generated: a
// position on the same line is answered here, any other by ZCLFileLineSearch.
int ZCLFileLineSearch(const ZCLFile* file, size_t pos);
inline int ZCLFileLine(const ZCLFile* file, size_t pos) {
  const std::vector<size_t>& starts = file->lineStarts;
  const size_t h = file->lineHint;
  if (h < starts.size() && starts[h] <= pos && (h + 1 == starts.size() || pos < starts[h + 1]))
    return file->lineBase + static_cast<int>(h) + 1;
  return ZCLFileLineSearch(file, pos);
}

// Line and column (both from 1) of a position: CR, LF, CR LF and LF CR are one line break each;
// tab stops are every 4 columns (1, 5, 9, ...). Positions past the end count as the end.
void ZCLFileLineColumn(const ZCLFile* file, size_t pos, int* line, int* column);
