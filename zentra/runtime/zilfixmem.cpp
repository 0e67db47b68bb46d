// zilfixmem.cpp - the six fixed-size block pools (16 to 512 bytes) that serve the runtime's small
// allocations once ZILUseFixMem switched the state to them. A bucket is one allocation holding
// its header, its blocks and a stack of its free blocks; each block starts with a 16-byte header
// {owning bucket, block size}. Larger requests go to malloc with the header {none, size}.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zilinternal.h"

namespace {

struct FixMemPool;

struct FixMemBucket {
  char* first;  // first block
  FixMemBucket* prev;
  FixMemBucket* next;
  char** freeStack;  // one entry per block, after the blocks
  ZILLong freeCount;
  FixMemPool* pool;
};

struct BlockHeader {
  FixMemBucket* bucket;  // none for a block from malloc
  size_t size;           // the pool's block size, or the requested size
};
static_assert(sizeof(BlockHeader) == 16, "block headers are 16 bytes");

struct FixMemPool {
  FixMemBucket* freeBuckets;  // buckets that still have free blocks
  ZILLong logWord;
  ZILLong blockSize;
  ZILLong blocksPerBucket;
  ZILLong bucketCount;
  ZILLong bucketLimit;
  ZILLong stride;  // block size + header
  ZILLong growth;  // 1: the limit rises whenever it is reached
};

// Blocks still owned by the allocator that was in place before the switch (the handle pool's
// memory, which must not move); they are given back to that allocator.
struct FixMemSet {
  FixMemPool pools[6];
  void** legacy;
  ZILLong legacyCount;
  ZILFreeProc legacyFree;
};

constexpr ZILLong kBlockSizes[6] = {16, 32, 64, 128, 256, 512};

FixMemSet* poolSet(ZILState* ps) { return static_cast<FixMemSet*>(ps->fixMemPools[0]); }

int poolIndexFor(size_t size) {
  if (size <= 16)
    return 0;
  if (size <= 32)
    return 1;
  if (size <= 64)
    return 2;
  if (size <= 128)
    return 3;
  if (size <= 256)
    return 4;
  return 5;
}

FixMemBucket* newBucket(FixMemPool* pool) {
  size_t blocks = static_cast<size_t>(pool->blocksPerBucket);
  size_t stride = static_cast<size_t>(pool->stride);
  size_t headerBytes = (sizeof(FixMemBucket) + 15) & ~static_cast<size_t>(15);
  char* raw = static_cast<char*>(malloc(headerBytes + blocks * stride + blocks * sizeof(char*)));
  if (!raw)
    return nullptr;
  FixMemBucket* b = reinterpret_cast<FixMemBucket*>(raw);
  b->first = raw + headerBytes;
  b->freeStack = reinterpret_cast<char**>(b->first + blocks * stride);
  b->prev = b->next = nullptr;
  b->pool = pool;
  for (size_t i = 0; i < blocks; ++i) {
    char* block = b->first + i * stride;
    BlockHeader* h = reinterpret_cast<BlockHeader*>(block);
    h->bucket = b;
    h->size = static_cast<size_t>(pool->blockSize);
    b->freeStack[i] = block;
  }
  b->freeCount = static_cast<ZILLong>(blocks);
  return b;
}

void unlinkBucket(FixMemPool* pool, FixMemBucket* b) {
  if (b->prev)
    b->prev->next = b->next;
  else
    pool->freeBuckets = b->next;
  if (b->next)
    b->next->prev = b->prev;
  b->prev = b->next = nullptr;
}

void linkBucketFront(FixMemPool* pool, FixMemBucket* b) {
  b->prev = nullptr;
  b->next = pool->freeBuckets;
  if (b->next)
    b->next->prev = b;
  pool->freeBuckets = b;
}

void* poolAlloc(FixMemPool* pool) {
  FixMemBucket* b = pool->freeBuckets;
  if (!b) {
    if (pool->bucketCount == pool->bucketLimit - 1) {
      if (!pool->growth)
        return nullptr;
      ++pool->bucketLimit;
    }
    b = newBucket(pool);
    if (!b)
      return nullptr;
    linkBucketFront(pool, b);
    ++pool->bucketCount;
  }
  char* block = b->freeStack[--b->freeCount];
  if (b->freeCount == 0)
    unlinkBucket(pool, b);
  return block + sizeof(BlockHeader);
}

void poolFree(FixMemPool* pool, BlockHeader* h) {
  if (h->size != static_cast<size_t>(pool->blockSize)) {
    fputs("ERROR: FixMem_Free() called with invalid buffer pointer\n", stderr);
    return;
  }
  FixMemBucket* b = h->bucket;
  char* block = reinterpret_cast<char*>(h);
  size_t offset = static_cast<size_t>(block - b->first);
  if (!b || b->pool != pool || block < b->first || offset % static_cast<size_t>(pool->stride) != 0 ||
      offset / static_cast<size_t>(pool->stride) >= static_cast<size_t>(pool->blocksPerBucket) ||
      b->freeCount >= pool->blocksPerBucket) {
    fputs("ERROR: FixMem_Free() called with invalid buffer pointer\n", stderr);
    return;
  }
  b->freeStack[b->freeCount++] = block;
  if (b->freeCount == 1)
    linkBucketFront(pool, b);
}

void deletePool(FixMemPool* pool) {
  while (FixMemBucket* b = pool->freeBuckets) {
    pool->freeBuckets = b->next;
    free(b);
    --pool->bucketCount;
  }
  if (pool->bucketCount > 0)
    fprintf(stderr, "Memory leak detected in Delete_FixMem(): %d buckets (%d blocks) have not been freed\n",
            pool->bucketCount, pool->bucketCount * pool->blocksPerBucket);
}

void* fixMemAlloc(ZILState* ps, size_t size) {
  if (size < 1)
    return nullptr;
  if (size > 512) {
    if (size > SIZE_MAX - sizeof(BlockHeader))
      return nullptr;
    BlockHeader* h = static_cast<BlockHeader*>(malloc(size + sizeof(BlockHeader)));
    if (!h)
      return nullptr;
    h->bucket = nullptr;
    h->size = size;
    return h + 1;
  }
  return poolAlloc(&poolSet(ps)->pools[poolIndexFor(size)]);
}

bool freeLegacy(FixMemSet* set, ZILState* ps, void* p) {
  for (ZILLong i = 0; i < set->legacyCount; ++i) {
    if (set->legacy[i] == p) {
      set->legacy[i] = set->legacy[--set->legacyCount];
      set->legacyFree(ps, p);
      return true;
    }
  }
  return false;
}

void fixMemFree(ZILState* ps, void* p) {
  if (!p)
    return;
  FixMemSet* set = poolSet(ps);
  if (set->legacyCount && freeLegacy(set, ps, p))
    return;
  BlockHeader* h = static_cast<BlockHeader*>(p) - 1;
  if (h->size > 512) {
    if (h->bucket)
      fputs("ERROR: FixMem_Free() called with invalid buffer pointer\n", stderr);
    else
      free(h);
    return;
  }
  poolFree(&set->pools[poolIndexFor(h->size)], h);
}

// Moves a block made by the previous allocator into one made by the pools.
template <typename T>
bool migrate(ZILState* ps, ZILFreeProc oldFree, T*& p, size_t bytes) {
  if (!p)
    return true;
  void* moved = fixMemAlloc(ps, bytes);
  if (!moved)
    return false;
  memcpy(moved, p, bytes);
  oldFree(ps, p);
  p = static_cast<T*>(moved);
  return true;
}

bool migrateSegment(ZILState* ps, ZILFreeProc oldFree, ZILSegment* seg) {
  size_t bytes = static_cast<size_t>(seg->elementSize) * static_cast<size_t>(seg->capacity);
  return migrate(ps, oldFree, seg->base, bytes);
}

}  // namespace

ZILError ZILUseFixMem(ZILState* ps) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  // Objects made before the switch would be freed by the wrong allocator.
  if (ps->initialized || ps->fixMemPools[0] || ps->handlesInUse > 1 || ps->weakRefs)
    return ZIL_ERR_Runtime_Initialized;
  FixMemSet* set = static_cast<FixMemSet*>(calloc(1, sizeof(FixMemSet)));
  if (!set)
    return ZIL_EXC_Allocation_Fail;
  ZILLong legacyCapacity = ps->handleCapacity / (ps->handleGrowth > 0 ? ps->handleGrowth : 1) + 2;
  set->legacy = static_cast<void**>(calloc(static_cast<size_t>(legacyCapacity), sizeof(void*)));
  if (!set->legacy) {
    free(set);
    return ZIL_EXC_Allocation_Fail;
  }
  for (int i = 0; i < 6; ++i) {
    FixMemPool& pool = set->pools[i];
    pool.logWord = i;
    pool.blockSize = kBlockSizes[i];
    pool.blocksPerBucket = 8192 / kBlockSizes[i];
    pool.bucketLimit = 32;
    pool.stride = kBlockSizes[i] + static_cast<ZILLong>(sizeof(BlockHeader));
    pool.growth = 1;
    ps->fixMemPools[i] = &set->pools[i];  // fixMemPools[0] is also the set itself
  }
  ZILFreeProc oldFree = ps->free;
  set->legacyFree = oldFree;
  // The handle pool keeps its memory (handles must not move); it is freed by the old allocator.
  set->legacy[set->legacyCount++] = ps->handles;
  set->legacy[set->legacyCount++] = ps->freeStack;
  for (ZILLong i = 0; i < ps->handleCapacity; i += ps->handleGrowth)
    if (set->legacyCount < legacyCapacity)
      set->legacy[set->legacyCount++] = ps->handles[i];
  bool ok = migrateSegment(ps, oldFree, &ps->code) && migrateSegment(ps, oldFree, &ps->funcs) &&
            migrateSegment(ps, oldFree, &ps->names) && migrateSegment(ps, oldFree, &ps->types) &&
            migrateSegment(ps, oldFree, &ps->data) && migrateSegment(ps, oldFree, &ZILInternal(ps)->lines);
  for (ZILLong i = 0; ok && i < ps->nativeCount; ++i)
    ok = migrate(ps, oldFree, ps->nativeTypes[i].name, strlen(ps->nativeTypes[i].name) + 1);
  ok =
      ok && migrate(ps, oldFree, ps->nativeTypes, sizeof(ZILNativeTypeEntry) * static_cast<size_t>(ps->nativeCapacity));
  for (ZILGCHandler** link = &ps->gcHandlers; ok && *link; link = &(*link)->next)
    ok = migrate(ps, oldFree, *link, sizeof(ZILGCHandler));
  ps->alloc = fixMemAlloc;
  ps->free = fixMemFree;
  return ok ? 0 : ZIL_EXC_Allocation_Fail;
}

void ZILDeleteFixMem(ZILState* ps) {
  FixMemSet* set = poolSet(ps);
  if (!set)
    return;
  for (FixMemPool& pool : set->pools)
    deletePool(&pool);
  for (ZILLong i = 0; i < set->legacyCount; ++i)
    set->legacyFree(ps, set->legacy[i]);
  free(set->legacy);
  free(set);
  for (void*& p : ps->fixMemPools)
    p = nullptr;
}
