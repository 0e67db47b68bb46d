// Lookup of the compiler's numbered messages: the text and warning level of each error
// (1200-1281, level 0) and warning (1500-1517, levels 1-4) code.
#pragma once

#include <cstddef>

#include "zentra/compiler/zclerrors.h"

struct ZCLMessageEntry {
  int level;  // 0 for errors; 1..4 for warnings
  int code;
  const char* text;
};

// The entry of a code; a code not in the table gives the sentinel
// {0, ZCL_MSG_Unknown, "UNKNOWN COMPILER ERROR CODE"}.
const ZCLMessageEntry* ZCLFindMessage(int code);

// The table in ascending code order, without the sentinel (for listings and tests).
size_t ZCLMessageCount();
const ZCLMessageEntry* ZCLMessageAt(size_t index);
