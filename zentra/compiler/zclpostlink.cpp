// The last link step: every static call by function handle (`calls`) in the runtime's code
// segment becomes a direct jump to the function's code address (`jsr`), so calls need no
// lookup at run time. Calls to functions without code stay as they are and are logged.
#include <cstdio>
#include <vector>

#include "zentra/compiler/zclopt.h"
#include "zentra/compiler/zclstate.h"
#include "zilopcodes.h"

ZILError ZCLPostLink(ZILState* ps) {
  ZCLState* st = ZCLGetState(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  std::vector<ZILLong> addressOf(static_cast<size_t>(ps->funcs.count), -1);
  for (auto& cls : st->classes)
    for (auto& f : cls->funcs)
      if (f->handle >= 0 && f->handle < ps->funcs.count)
        addressOf[static_cast<size_t>(f->handle)] = f->linkAddress;
  ZILLong* code = ZILCode(ps);
  for (auto& cls : st->classes)
    for (auto& f : cls->funcs) {
      if (f->linkAddress < 0)
        continue;
      const ZILLong end = f->linkAddress + static_cast<ZILLong>(f->code.size());
      for (ZILLong pc = f->linkAddress; pc < end && pc < ps->code.count;) {
        const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
        if (!info || info->length <= 0)
          break;
        if (code[pc] == ZOP_CALLS_IMM && pc + 1 < end) {
          const ZILLong handle = code[pc + 1];
          const ZILLong address = handle >= 0 && handle < ps->funcs.count ? addressOf[static_cast<size_t>(handle)] : -1;
          if (address >= 0) {
            code[pc] = ZOP_JSR_IMM;
            code[pc + 1] = address;
          } else if (st->diag.messageLog) {
            char line[96];
            std::snprintf(line, sizeof line, "Error in ZCLPostLink(): Function handle %d not found!\n",
                          static_cast<int>(handle));
            st->diag.messageLog(st->diag.user, line);
          }
        }
        pc += info->length;
      }
    }
  return ZCL_OK;
}
