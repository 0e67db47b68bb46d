// zilopcodes.cpp - the instruction table as records (opcode, operand count, kinds, mnemonic,
// length), expanded from the list in zilopcodes.h. The listing and the tests' assembler read it.
#include "zilapi.h"

namespace {

const ZILOpcodeInfo kOpcodes[ZIL_OPCODE_COUNT] = {
#define ZIL_OPCODE_RECORD(op, name, fam, mn, n, k1, k2, k3, k4, len) \
  {op, n, {ZILK_##k1, ZILK_##k2, ZILK_##k3, ZILK_##k4}, mn, len},
    ZIL_OPCODE_LIST(ZIL_OPCODE_RECORD)
#undef ZIL_OPCODE_RECORD
};

}  // namespace

const ZILOpcodeInfo* ZILGetOpcodeInfo(ZILLong opcode) {
  if (opcode < 0 || opcode >= ZIL_OPCODE_COUNT)
    return nullptr;
  return kOpcodes + opcode;
}
