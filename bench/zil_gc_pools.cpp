// bench-links: zil
// zil_gc_pools.cpp - memory speed of the ZIL runtime: 10 million handles taken and released
// from the handle pool against malloc/free of the same size, 10 million small objects from the
// FixMem pools against malloc/free, and one collection over 1 million live script objects (and
// one that frees 1 million unreachable ones). Prints milliseconds for each side.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ziltools.h"

namespace {

constexpr int kCount = 10000000;
constexpr int kBatch = 1000;  // live at once, so the allocators see a realistic mix

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

template <typename Alloc, typename Free>
double timeBatches(Alloc alloc, Free release) {
  std::vector<void*> live(kBatch);
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < kCount / kBatch; ++round) {
    for (int i = 0; i < kBatch; ++i)
      live[i] = alloc(i);
    for (int i = kBatch - 1; i >= 0; --i)
      release(live[i]);
  }
  return msSince(start);
}

ZILLong addNodeClass(ZILState* ps) {
  ZILTypeInfo ti{};
  ZILAddName(ps, "Node", &ti.pName);
  ti.family = ZIL_FAMILY_CLASS;
  ti.instanceSize = 1;
  ti.copyConstructor = -1;
  ti.offsetVtab = -1;
  ZILLong id = -1;
  ZILAddType(ps, &ti, &id);
  return id;
}

}  // namespace

int main() {
  volatile uintptr_t sink = 0;

  ZILState* ps = ZILInitialize();
  ZILUseFixMem(ps);
  ZILPrepareRun(ps);
  double handles = timeBatches([&](int i) -> void* { return ZILNewInt(ps, i); },
                               [&](void* h) { ZILRelease(ps, static_cast<ZILHandle*>(h)); });
  double handlesMalloc = timeBatches(
      [&](int i) -> void* {
        void* p = malloc(sizeof(ZILHandle));
        static_cast<ZILHandle*>(p)->payload.l = i;
        return p;
      },
      [&](void* p) {
        sink = sink + reinterpret_cast<uintptr_t>(p);
        free(p);
      });
  printf("10M handles:        pool %8.1f ms   malloc/free %8.1f ms\n", handles, handlesMalloc);

  double objects = timeBatches(
      [&](int i) -> void* {
        void* p = ZILAlloc(ps, 24 + (i & 7) * 8);
        *static_cast<int*>(p) = i;
        return p;
      },
      [&](void* p) { ZILFree(ps, p); });
  double objectsMalloc = timeBatches(
      [&](int i) -> void* {
        void* p = malloc(24 + (i & 7) * 8);
        *static_cast<int*>(p) = i;
        return p;
      },
      [&](void* p) { free(p); });
  printf("10M small objects:  pools %7.1f ms   malloc/free %8.1f ms\n", objects, objectsMalloc);
  ZILTerminate(ps);

  // One collection over 1 million live objects, all reachable through one array in r5.
  ps = ZILInitialize();
  ZILUseFixMem(ps);
  ZILLong node = addNodeClass(ps);
  ZILPrepareRun(ps);
  constexpr int kObjects = 1000000;
  ZILHandle* array = nullptr;
  ZILNewArray(ps, &array);
  ZILArray* a = static_cast<ZILArray*>(array->payload.p);
  ZILArraySetLength(a, kObjects);
  for (int i = 0; i < kObjects; ++i) {
    ZILHandle* h = nullptr;
    ZILNewInstance(ps, node, &h);
    ZILRelease(ps, a->slots[i]);
    a->slots[i] = h;
  }
  ZILRelease(ps, ps->root->regs[5]);
  ps->root->regs[5] = array;
  auto start = std::chrono::steady_clock::now();
  ZILLong collected = ZILCollectGarbage(ps);
  printf("collection over 1M live objects: %.1f ms (%d collected)\n", msSince(start), collected);

  // The same objects made unreachable, each one holding itself (a cycle per object).
  for (int i = 0; i < kObjects; ++i) {
    ZILHandle* h = a->slots[i];
    ZILHandle** member = ZILInstanceMembers(static_cast<ZILInstance*>(h->payload.p));
    ZILAddRef(h);
    ZILRelease(ps, *member);
    *member = h;
  }
  ZILRelease(ps, ps->root->regs[5]);
  ps->root->regs[5] = ps->nullHandle;
  ZILAddRef(ps->nullHandle);
  start = std::chrono::steady_clock::now();
  collected = ZILCollectGarbage(ps);
  printf("collection freeing 1M unreachable objects: %.1f ms (%d collected)\n", msSince(start), collected);
  ZILTerminate(ps);
  return sink == 1 ? 1 : 0;
}
