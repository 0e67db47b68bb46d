// The seam between the declaration parser and the code generator. The parser calls these at
// the points where code is produced; everything they need (the current class and function,
// the pass, the file's read position) is in the compiler state when they are called.
#pragma once

#include "zentra/compiler/zclstate.h"

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
