// The seam between the declaration parser and the code generator. The parser calls these at
// the points where code is produced; everything they need (the current class and function,
// the pass, the file's read position) is in the compiler state when they are called.
#pragma once

#include "src/compiler/zclstate.h"

// Pass 1, read position just before a function body's `{`: compiles the body into func->code
// and leaves the position after the matching `}`.
ZILError ZCLCompileFunctionBody(ZCLState* st, ZCLFunc* func);

// Read position just after the `=` of variable `member` of class cls: compiles its initial value
// (pass 0, globals: into the global initialisation function) and leaves the position before the
// `,` or `;` that ends it. In pass 1 the value is only skipped.
ZILError ZCLCompileInitializer(ZCLState* st, ZCLClass* cls, size_t member);

// After each top-level item: compiles the function literals it collected.
ZILError ZCLCompilePendingLiterals(ZCLState* st);

// Opens the global space: the class `__global` (id 16), its function `__init` and the code that
// creates the global object. Run once when the compiler starts.
ZILError ZCLBeginIntro(ZCLState* st);

// The number line marks give a file being compiled (its name placed in the runtime's name
// segment the first time); 0 when it can have none.
int32_t ZCLSourceId(ZCLState* st, ZCLFile* file);

// The line mark of code emitted now: the current file and the line of the last token read
// (0 outside any file). Called for every instruction emitted.
inline ZCLLineMark ZCLLineMarkHere(ZCLState* st)
{
    ZCLFile* file = st->file;
    if (!file)
        return 0;
    const int32_t id = file->sourceId >= 0 ? file->sourceId : ZCLSourceId(st, file);
    return id > 0 ? ZCLMakeLineMark(id, ZCLFileLine(file, st->tokStart)) : 0;
}

// The file name offset (in the runtime's name segment) and line of a mark; false for 0.
bool ZCLResolveLineMark(const ZCLState* st, ZCLLineMark mark, ZILLong* file, ZILLong* line);

// Brings the function's line marks level with its code: marks of words cut off go, words added
// without marks get `fill`.
void ZCLLevelLines(ZCLFunc* func, ZCLLineMark fill);
