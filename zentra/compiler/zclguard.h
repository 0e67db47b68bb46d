// zclguard.h - the compiler is C++ inside and C at its interface: no exception leaves
// ZILInitializeCompiler, ZCLCompile, ZCLLink or ZCLCompileHandler. Each runs its work through
// ZCLGuarded, which turns running out of memory (std::bad_alloc from any container) into
// ZIL_EXC_Allocation_Fail and any other exception into ZIL_ERR_Unspecified, and leaves the
// compiler state safe to keep and to free.
#pragma once

#include <cstddef>
#include <new>

#include "zentra/compiler/zcldiag.h"
#include "zentra/compiler/zclstate.h"

// An exception ended a compiler call half-way: the compiler goes back to between-compiles (no
// current file, the option sets it had, the global scope) and takes itself out of use, because
// the declarations and code it was making are half made. Every later compile and link refuses
// with ZCL_ERR_Fatal; the runtime, and the code linked into it before, stay good.
inline ZILError ZCLStopOnException(ZCLState* st, size_t optionCount, ZILError code, const char* function) noexcept {
  st->file = nullptr;
  st->pass = 0;
  st->currentClass = 16;
  st->currentFunction = 0;
  st->importDepth = 0;
  st->nestDepth = 0;
  if (optionCount > 0 && st->options.size() > optionCount)
    st->options.resize(optionCount);
  st->diag.fatal = true;
  try {
    ZCLFatalError(&st->diag, nullptr, "zclguard", __LINE__,
                  code == ZIL_EXC_Allocation_Fail ? "Out of memory" : "Unexpected internal exception", function);
  } catch (...) {
    // The report needs memory too; the code returned says it all.
  }
  return code;
}

template <class Work>
ZILError ZCLGuarded(ZCLState* st, const char* function, Work&& work) noexcept {
  const size_t optionCount = st->options.size();
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return ZCLStopOnException(st, optionCount, ZIL_EXC_Allocation_Fail, function);
  } catch (...) {
    return ZCLStopOnException(st, optionCount, ZIL_ERR_Unspecified, function);
  }
}
