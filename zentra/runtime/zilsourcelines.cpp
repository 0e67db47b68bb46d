// zilsourcelines.cpp - the table that maps code addresses to the source file and line they were
// compiled from. The compiler appends one entry per run of instructions from the same line as it
// lays functions out, so the table is sorted by address; a lookup is a binary search for the
// last entry at or before the address. Reports and listings read it; the interpreter never does.
#include <cstring>

#include "zilinternal.h"

namespace {

ZILLineEntry* lineEntries(ZILState* ps) { return static_cast<ZILLineEntry*>(ZILInternal(ps)->lines.base); }

}  // namespace

ZILError ZILAddLineEntries(ZILState* ps, const ZILLineEntry* entries, ZILLong count) {
  if (!ps || count < 0 || (count > 0 && !entries))
    return ZIL_ERR_Illegal_Argument;
  ZILSegment* table = &ZILInternal(ps)->lines;
  ZILLong last = table->count > 0 ? lineEntries(ps)[table->count - 1].address : INT32_MIN;
  for (ZILLong i = 0; i < count; ++i) {
    if (entries[i].address < last)
      return ZIL_ERR_Illegal_Argument;
    last = entries[i].address;
  }
  if (count == 0)
    return 0;
  if (!table->base)
    table->elementSize = sizeof(ZILLineEntry);
  if (ZILError e = ZILSegmentReserve(ps, table, count, 0))
    return e;
  memcpy(lineEntries(ps) + table->count, entries, sizeof(ZILLineEntry) * static_cast<size_t>(count));
  table->count += count;
  return 0;
}

ZILError ZILGetSourceLine(ZILState* ps, ZILLong address, const ZILChar** pFile, ZILLong* pLine) {
  if (pFile)
    *pFile = "";
  if (pLine)
    *pLine = 0;
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  const ZILSegment& table = ZILInternal(ps)->lines;
  if (table.count == 0)
    return ZIL_ERR_No_Symbol_Table;
  const ZILLineEntry* entries = lineEntries(ps);
  // The last entry whose address is not above the one asked for; of equal addresses the last
  // (an entry that ends a function shares its address with the next function's first).
  ZILLong lo = 0, hi = table.count;
  while (lo < hi) {
    ZILLong mid = lo + (hi - lo) / 2;
    if (entries[mid].address <= address)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == 0 || address < 0 || address >= ps->code.count)
    return ZIL_ERR_Symbol_Not_Found;
  const ZILLineEntry& e = entries[lo - 1];
  if (e.line <= 0 || e.file < 0 || e.file >= ps->names.count)
    return ZIL_ERR_Symbol_Not_Found;
  if (pFile)
    *pFile = ZILNameAt(ps, e.file);
  if (pLine)
    *pLine = e.line;
  return 0;
}
