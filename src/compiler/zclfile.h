// ZCLFile: one source text held wholly in memory with a read position, as the tokenizer and
// the parser see it. Look-ahead is only a change of the read position, so backtracking never
// copies. Also turns a position into the line and column shown in messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "src/compiler/zclerrors.h"

// The name shown in messages for a text compiled without one.
inline constexpr const char* kZCLAnonymousName = "anonymous character string";

// Where a code word came from: the file (the offset of its name in the runtime's name segment)
// and the line. Every function keeps one mark per code word, so the runtime can tell the line
// of any instruction; file -1 or line 0 means no source line (code the compiler makes itself).
struct ZCLLineMark {
    int32_t file = -1;
    int32_t line = 0;
    bool operator==(const ZCLLineMark& o) const { return file == o.file && line == o.line; }
};

struct ZCLFile {
    std::string name;    // shown in messages
    std::string text;    // may hold NUL bytes; they read as white space
    size_t      pos = 0; // read position, 0 .. text.size()
    int         pass = -1; // pass in which the text was last parsed, -1 before the first

    // Where the last line/column lookup ended, so that lookups in increasing order (messages
    // of one pass) scan each byte once. Only ZCLFileLineColumn uses these.
    mutable size_t lcPos = 0;
    mutable int    lcLine = 1;
    mutable int    lcColumn = 1;
    mutable char   lcBreak = 0;   // CR or LF just counted, which the other one would pair with

    // The token the last look-ahead read, so that reading it next does not scan it again.
    // Only the tokenizer uses these; opening or closing the file forgets it.
    size_t      peekFrom = static_cast<size_t>(-1);
    size_t      peekStart = 0; // where that token starts (after white space and comments)
    size_t      peekEnd = 0;
    int         peekId = 0;
    std::string peekText;
    // Where the token the last ZCLGetToken read starts, or where it failed (the read position).
    size_t      tokenStart = 0;

    // Line index for the code's line marks (ZCLFileLine): the position where each line starts,
    // built on first use; lineHint is the line of the last lookup. lineBase counts the lines of
    // an enclosing text before this one (a member's initial value read on its own).
    mutable std::vector<size_t> lineStarts;
    mutable size_t lineHint = 0;
    int         lineBase = 0;
    int32_t     sourceId = -1;  // the file's ZCLLineMark::file once known
};

// Copies the name (null gives kZCLAnonymousName) and the text; the read position becomes 0.
ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text, size_t length);
ZILError ZCLFileOpen(ZCLFile* file, const char* name, const char* text);

// Releases the text; the record can be opened again.
void ZCLFileClose(ZCLFile* file);

inline size_t ZCLFileGetPosition(const ZCLFile* file) { return file->pos; }

// Clamps the position to the text.
inline void ZCLFileSetPosition(ZCLFile* file, size_t pos)
{
    file->pos = pos < file->text.size() ? pos : file->text.size();
}

// The line (from 1, plus lineBase) of a position, with the line breaks of ZCLFileLineColumn.
// Fast for positions near the last one asked for, the order in which code is generated.
int ZCLFileLine(const ZCLFile* file, size_t pos);

// Line and column (both from 1) of a position: CR, LF, CR LF and LF CR are one line break each;
// tab stops are every 4 columns (1, 5, 9, ...). Positions past the end count as the end.
void ZCLFileLineColumn(const ZCLFile* file, size_t pos, int* line, int* column);
