// bench-links: zil
// table_lookup.cpp - speed of the script `table`: 1 million string keys inserted and then looked
// up (in random order) in the byte trie, once through the trie directly and once through the
// class's set/get methods as a script reaches them, against std::unordered_map<std::string, int>
// doing the same work in the same run. Prints operations per second for each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "zentra/runtime/zilinternal.h"
#include "ziltools.h"

namespace {

constexpr int kKeys = 1000000;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, double insertSeconds, double lookupSeconds) {
  printf("%-34s insert %6.2f M ops/s   lookup %6.2f M ops/s\n", what, kKeys / insertSeconds / 1e6,
         kKeys / lookupSeconds / 1e6);
}

// Calls method fn of the table with two (or one) arguments on the root context's stack.
ZILError callTable(ZILState* ps, ZILHandle* table, ZILLong fn, ZILHandle* a0, ZILHandle* a1) {
  ZILContext* ctx = ps->root;
  ZILLong argc = a1 ? 2 : 1;
  ctx->sp -= argc;
  ctx->dataStack[ctx->sp] = a0;
  if (a1)
    ctx->dataStack[ctx->sp + 1] = a1;
  ZILTypeInfo* ti = ZILTypes(ps) + ZIL_TYPE_TABLE;
  ZILError e = ti->typeProc(&ti->instance, NTL_CallMember, fn, table->payload.p, nullptr);
  ctx->sp += argc;
  return e;
}

}  // namespace

int main() {
  std::vector<std::string> keys;
  keys.reserve(kKeys);
  std::mt19937 rng(2024);
  for (int i = 0; i < kKeys; ++i)
    keys.push_back("station" + std::to_string(i));
  std::vector<int> order(kKeys);
  for (int i = 0; i < kKeys; ++i)
    order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  long checksum = 0;

  {
    std::unordered_map<std::string, int> map;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kKeys; ++i)
      map[keys[i]] = i;
    double insert = secondsSince(start);
    start = std::chrono::steady_clock::now();
    for (int i : order)
      checksum += map.find(keys[i])->second;
    report("std::unordered_map<std::string,int>", insert, secondsSince(start));
  }

  ZILState* ps = ZILInitialize();
  if (!ps || ZILPrepareRun(ps) != 0) {
    fprintf(stderr, "runtime start failed\n");
    return 1;
  }
  {
    ZILTable* t = ZILTableCreate(ps, ZIL_TABLE_HANDLES);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kKeys; ++i)
      ZILTableSet(t, keys[i].data(), static_cast<ZILLong>(keys[i].size()), ZILNewInt(ps, i));
    double insert = secondsSince(start);
    start = std::chrono::steady_clock::now();
    for (int i : order)
      checksum +=
          static_cast<ZILHandle*>(ZILTableGet(t, keys[i].data(), static_cast<ZILLong>(keys[i].size())))->payload.l;
    report("table trie (ZILTableSet/Get)", insert, secondsSince(start));
    ZILTableDestroy(t);
  }
  {
    // Script path: string key handles made beforehand, as a script holds its keys.
    std::vector<ZILHandle*> keyHandles(kKeys);
    for (int i = 0; i < kKeys; ++i)
      ZILNewString(ps, keys[i].data(), static_cast<ZILLong>(keys[i].size()), &keyHandles[i]);
    ZILHandle* table = NTLNewObject(ps, ZIL_TYPE_TABLE);
    ZILHandle* value = ZILNewString(ps, "v", 1, &value) == 0 ? value : nullptr;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kKeys; ++i)
      callTable(ps, table, 4, keyHandles[i], value);  // set(key, value)
    double insert = secondsSince(start);
    start = std::chrono::steady_clock::now();
    for (int i : order) {
      callTable(ps, table, 3, keyHandles[i], nullptr);  // get(key)
      checksum += ps->root->regs[1]->type;
    }
    report("table class (set/get methods)", insert, secondsSince(start));
    ZILRelease(ps, table);
    ZILRelease(ps, value);
    for (ZILHandle* h : keyHandles)
      ZILRelease(ps, h);
  }
  ZILTerminate(ps);
  printf("(checksum %ld)\n", checksum);
  return 0;
}
