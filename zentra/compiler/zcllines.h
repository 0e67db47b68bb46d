// Line marks of compiled code: where each code word came from (file and line), so the runtime
// can name the source line of any instruction. While a body is compiled its marks are kept as
// runs (ZCLLineRun: a mark and the word it starts at), one per change of line, so emitting an
// instruction costs a comparison; code the generator cuts, erases or moves takes its runs along.
// The optimizer works on one mark per word (ZCLCode::lines); laying a function out hands its
// runs to the runtime's line table.
#pragma once

#include <cstddef>
#include <vector>

#include "zentra/compiler/zclstate.h"

struct ZCLGen;

// The number line marks give a file being compiled (its name placed in the runtime's name
// segment the first time); 0 when it can have none.
int32_t ZCLSourceId(ZCLState* st, ZCLFile* file);

// The line mark of code emitted now: the current file and the line of the last token read
// (0 outside any file). Called for every instruction emitted.
inline ZCLLineMark ZCLLineMarkHere(ZCLState* st) {
  ZCLFile* file = st->file;
  if (!file)
    return 0;
  const int32_t id = file->sourceId >= 0 ? file->sourceId : ZCLSourceId(st, file);
  return id > 0 ? ZCLMakeLineMark(id, ZCLFileLine(file, st->tokStart)) : 0;
}

// The file name offset (in the runtime's name segment) and line of a mark; false for 0.
bool ZCLResolveLineMark(const ZCLState* st, ZCLLineMark mark, ZILLong* file, ZILLong* line);

// Records that the words emitted from word `at` on have `mark`. Runs starting at or after `at`
// are left from code cut off since, and go.
void ZCLMarkCodeFrom(ZCLFunc* func, size_t at, ZCLLineMark mark);
inline void ZCLMarkCode(ZCLFunc* func, size_t at, ZCLLineMark mark) {
  const std::vector<ZCLLineRun>& runs = func->lines;
  if (runs.empty() || runs.back().at >= at || runs.back().mark != mark)
    ZCLMarkCodeFrom(func, at, mark);
}

// The code is cut back to `size` words.
void ZCLLinesCut(ZCLFunc* func, size_t size);
// n words at `at` are taken out of the code.
void ZCLLinesErase(ZCLFunc* func, size_t at, size_t n);

// One mark per word for the first `size` words (0 before the first run), and back to runs.
void ZCLLinesSpread(const std::vector<ZCLLineRun>& runs, size_t size, std::vector<ZCLLineMark>* marks);
void ZCLLinesGather(const std::vector<ZCLLineMark>& marks, std::vector<ZCLLineRun>* runs);
