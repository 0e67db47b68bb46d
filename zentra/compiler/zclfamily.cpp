// zclfamily.cpp - the family tables, built by constant evaluation from the instruction table and
// the family list, with the checks that the two agree.
#include "zentra/compiler/zclfamily.h"

namespace {

struct Row {
  short opcode;
  const char* mnemonic;
  unsigned char operandCount;
  unsigned char kinds[4];
};

constexpr Row kRows[ZIL_OPCODE_COUNT] = {
#define ZCL_ROW(op, name, handler, mn, n, k1, k2, k3, k4, len) \
  {op, mn, n, {ZILK_##k1, ZILK_##k2, ZILK_##k3, ZILK_##k4}},
    ZIL_OPCODE_LIST(ZCL_ROW)
#undef ZCL_ROW
};

constexpr const char* kNames[ZIL_FAMILY_COUNT] = {
#define ZCL_NAME(name, mn) mn,
    ZIL_FAMILY_LIST(ZCL_NAME)
#undef ZCL_NAME
};

// Whether a equals b followed by the suffix (empty suffix: a equals b).
constexpr bool sameName(const char* a, const char* b, const char* suffix = "") {
  while (*b && *a == *b) {
    a++;
    b++;
  }
  if (*b)
    return false;
  while (*suffix && *a == *suffix) {
    a++;
    suffix++;
  }
  return !*a && !*suffix;
}

// The family named `mnemonic` followed by `suffix`, -1 when there is none.
constexpr int findFamily(const char* mnemonic, const char* suffix = "") {
  for (int f = 0; f < ZIL_FAMILY_COUNT; f++)
    if (sameName(kNames[f], mnemonic, suffix))
      return f;
  return -1;
}

struct Tables {
  ZCLForm forms[ZIL_OPCODE_COUNT] = {};    // grouped by family, table order within one
  short first[ZIL_FAMILY_COUNT + 1] = {};  // forms[first[f] .. first[f + 1]) are f's
  unsigned char familyOf[ZIL_OPCODE_COUNT] = {};
  short typedInt[ZIL_FAMILY_COUNT] = {};
  short typedFloat[ZIL_FAMILY_COUNT] = {};
  bool rowsAreFamilies = true;   // every row's mnemonic is in the family list
  bool familiesHaveRows = true;  // every family has at least one row
  bool rowsInOrder = true;       // row i holds opcode i
};

constexpr Tables build() {
  Tables t;
  short count[ZIL_FAMILY_COUNT] = {};
  for (int op = 0; op < ZIL_OPCODE_COUNT; op++) {
    const int f = findFamily(kRows[op].mnemonic);
    t.rowsInOrder = t.rowsInOrder && kRows[op].opcode == op;
    if (f < 0) {
      t.rowsAreFamilies = false;
      continue;
    }
    t.familyOf[op] = static_cast<unsigned char>(f);
    count[f]++;
  }
  for (int f = 0; f < ZIL_FAMILY_COUNT; f++) {
    t.familiesHaveRows = t.familiesHaveRows && count[f] > 0;
    t.first[f + 1] = static_cast<short>(t.first[f] + count[f]);
    const int l = findFamily(kNames[f], "l"), fl = findFamily(kNames[f], "f");
    t.typedInt[f] = static_cast<short>(l < 0 ? f : l);
    t.typedFloat[f] = static_cast<short>(fl < 0 ? f : fl);
  }
  short next[ZIL_FAMILY_COUNT] = {};
  for (int f = 0; f < ZIL_FAMILY_COUNT; f++)
    next[f] = t.first[f];
  for (int op = 0; op < ZIL_OPCODE_COUNT; op++) {
    const Row& r = kRows[op];
    t.forms[next[t.familyOf[op]]++] =
        ZCLForm{r.opcode, r.operandCount, {r.kinds[0], r.kinds[1], r.kinds[2], r.kinds[3]}};
  }
  return t;
}

constexpr Tables kTables = build();
static_assert(kTables.rowsInOrder, "the instruction table's rows must be in opcode order");
static_assert(kTables.rowsAreFamilies, "a mnemonic of the instruction table is missing from ZIL_FAMILY_LIST");
static_assert(kTables.familiesHaveRows, "a family of ZIL_FAMILY_LIST has no row in the instruction table");
static_assert(ZIL_FAMILY_COUNT < 256, "families are kept in a byte");

}  // namespace

std::span<const ZCLForm> ZCLFormsOf(ZILFamily family) {
  if (family < 0 || family >= ZIL_FAMILY_COUNT)
    return {};
  return {kTables.forms + kTables.first[family], kTables.forms + kTables.first[family + 1]};
}

ZILFamily ZCLFamilyOf(ZILLong opcode) {
  if (opcode < 0 || opcode >= ZIL_OPCODE_COUNT)
    return ZIL_FAMILY_COUNT;
  return static_cast<ZILFamily>(kTables.familyOf[opcode]);
}

const char* ZCLFamilyName(ZILFamily family) { return family >= 0 && family < ZIL_FAMILY_COUNT ? kNames[family] : "?"; }

ZILFamily ZCLTypedFamily(ZILFamily family, int type) {
  if (family < 0 || family >= ZIL_FAMILY_COUNT)
    return family;
  if (type == ZIL_TYPE_INT)
    return static_cast<ZILFamily>(kTables.typedInt[family]);
  if (type == ZIL_TYPE_FLOAT)
    return static_cast<ZILFamily>(kTables.typedFloat[family]);
  return family;
}
