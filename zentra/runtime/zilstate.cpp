// zilstate.cpp - creation and teardown of a ZILState, in a fixed order, and the runtime options.
// Creation: state, native registry, built-in native classes, segments and handle pool, built-in
// types. Teardown: compiler, root context and constants, native types, every handle still
// counted, segments, registry, state. Teardown keeps going after an error and returns the first.
#include <cstdlib>
#include <cstring>

#include "zilinternal.h"

namespace {

void* defaultAlloc(ZILState*, size_t size) { return malloc(size); }

void defaultFree(ZILState*, void* p) { free(p); }

// op 0 opens name ("rb") into *pFile, 1 reads size bytes into buffer (*pDone = bytes read),
// 2 closes *pFile.
ZILError defaultFileInput(ZILState*, ZILLong op, const ZILChar* name, void* buffer, ZILLong size, void** pFile,
                          ZILLong* pDone) {
  switch (op) {
    case 0: {
      if (!name || !pFile)
        return ZIL_ERR_Illegal_Argument;
      FILE* f = fopen(name, "rb");
      *pFile = f;
      return f ? 0 : ZIL_ERR_Unspecified;
    }
    case 1: {
      if (!pFile || !*pFile || !buffer || size < 0)
        return ZIL_ERR_Illegal_Argument;
      size_t done = fread(buffer, 1, static_cast<size_t>(size), static_cast<FILE*>(*pFile));
      if (pDone)
        *pDone = static_cast<ZILLong>(done);
      return 0;
    }
    case 2:
      if (pFile && *pFile) {
        fclose(static_cast<FILE*>(*pFile));
        *pFile = nullptr;
      }
      return 0;
    default: return ZIL_ERR_Unspecified;
  }
}

ZILError createSegments(ZILState* ps) {
  ZILError e = ZILSegmentCreate(ps, &ps->code, sizeof(ZILLong), 256);
  if (!e)
    e = ZILSegmentCreate(ps, &ps->funcs, sizeof(ZILFuncInfo), 256);
  if (!e)
    e = ZILCreateHandlePool(ps);
  if (!e)
    e = ZILSegmentCreate(ps, &ps->names, 1, 256);
  if (!e)
    e = ZILSegmentCreate(ps, &ps->types, sizeof(ZILTypeInfo), 256);
  if (!e)
    e = ZILSegmentCreate(ps, &ps->data, sizeof(ZILHandle), 256);
  return e;
}

// Every handle still counted is freed. Counts are cleared first, so objects that refer to each
// other (cycles) are each freed exactly once.
void sweepAllHandles(ZILState* ps) {
  for (ZILGCHandler* g = ps->gcHandlers; g; g = g->next)
    ZILGuardedCall([&] { return g->handler(ps, 1, g->owner); });
  ZILLong collected = 0;
  for (ZILLong i = 0; i < ps->handleCapacity; ++i) {
    ZILHandle* h = ps->handles[i];
    h->flags &= ~ZIL_HANDLE_MARK;
    if (h == ps->nullHandle || h->refCount <= 0)
      continue;
    if (ps->logGarbage)
      ZILLog(ps, "Collecting handle %d, refCount = %d, type = %s\n", i, h->refCount, ZILGetTypeName(ps, h->type));
    h->refCount = 0;
    h->flags |= ZIL_HANDLE_MARK;  // marks "collected here"
    ++collected;
  }
  for (ZILLong i = 0; i < ps->handleCapacity; ++i) {
    ZILHandle* h = ps->handles[i];
    if (h->flags & ZIL_HANDLE_MARK) {
      h->flags &= ~ZIL_HANDLE_MARK;
      ZILDestroyShallow(ps, h);
    }
  }
  ps->collectedTotal += collected;
  if (collected > 0) {
    ZILLong left = 0;
    for (ZILLong i = 0; i < ps->handleCapacity; ++i)
      if (ps->handles[i] != ps->nullHandle && ps->handles[i]->refCount > 0)
        ++left;
    ZILLog(ps, "--- GC collected %d handles, %d left ---\n", collected, left);
  }
}

}  // namespace

ZILState* ZILInitialize() {
  auto* internal = static_cast<ZILStateInternal*>(calloc(1, sizeof(ZILStateInternal)));
  if (!internal)
    return nullptr;
  ZILState* ps = &internal->state;
  ps->runtimeFlags = ZIL_FLAG_RELEASE_BUILD;
  ps->dataStackSize = 1024;
  ps->callStackSize = 256;
  ps->alloc = defaultAlloc;
  ps->free = defaultFree;
  ps->fileInput = defaultFileInput;
  ps->libraryVersion = ps->runtimeVersion = ps->compilerVersion = ps->typeInterfaceVersion =
      NTLRevisionToLong("1.0.3.2");
  ps->typeGrowth = 256;
  ps->growth2 = 256;
  ps->nativeGrowth = 16;
  ps->nativeCapacity = 16;
  ps->nativeTypes = static_cast<ZILNativeTypeEntry*>(ZILAlloc(ps, sizeof(ZILNativeTypeEntry) * 16));
  if (!ps->nativeTypes || ZILRegisterBuiltinTypes(ps) != 0 || createSegments(ps) != 0 ||
      ZILCreateBuiltinTypes(ps) != 0) {
    ZILTerminate(ps);
    return nullptr;
  }
  return ps;
}

ZILError ZILTerminate(ZILState* ps) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  ZILError first = 0;
  auto note = [&first](ZILError e) {
    if (e && !first)
      first = e;
  };
  if (ps->compilerFree)
    note(ps->compilerFree(ps));
  ps->compiler = nullptr;
  ps->compilerFree = nullptr;

  if (ps->initialized) {
    ZILFreeContext(ps, ps->root);
    ps->root = ps->current = nullptr;
    if (ps->thrown) {
      ZILRelease(ps, ps->thrown);
      ps->thrown = nullptr;
    }
    for (ZILLong i = 0; i < ps->constantsMaterialized; ++i) {
      ZILLong index = ZILDataHandles(ps)[i].refCount;
      if (index > 0 && index < ps->handleCapacity)
        ZILRelease(ps, ps->handles[index]);
    }
    for (ZILLong i = 0; i < ps->types.count; ++i) {
      ZILTypeInfo* ti = ZILTypes(ps) + i;
      if (!ti->isNative || !ti->typeProc)
        continue;
      ZILError e = ZILTypeProcCall(ti->typeProc, &ti->instance, NTL_Terminate, 0, nullptr, nullptr);
      if (e) {
        note(e);
        break;
      }
    }
    ps->initialized = 0;
    ps->running = 0;
    ps->depth = 0;
  }

  if (ps->handles) {
    sweepAllHandles(ps);
    ZILFreeHandlePool(ps);
  }
  ZILWeakFreeTable(ps);
  ZILTypeIndexFree(ps);

  ZILSegmentFree(ps, &ZILInternal(ps)->lines);
  ZILSegmentFree(ps, &ps->data);
  ZILSegmentFree(ps, &ps->types);
  ZILSegmentFree(ps, &ps->names);
  ZILSegmentFree(ps, &ps->funcs);
  ZILSegmentFree(ps, &ps->code);

  if (ps->nativeTypes) {
    for (ZILLong i = 0; i < ps->nativeCount; ++i) {
      ZILTypeProcCall(ps->nativeTypes[i].proc, nullptr, NTL_Unregister, 0, ps, nullptr);
      ZILFree(ps, ps->nativeTypes[i].name);
    }
    ZILFree(ps, ps->nativeTypes);
    ps->nativeTypes = nullptr;
  }

  while (ps->gcHandlers) {
    ZILGCHandler* next = ps->gcHandlers->next;
    ZILFree(ps, ps->gcHandlers);
    ps->gcHandlers = next;
  }
  ZILStringCacheFlush(ps);
  ZILDeleteFixMem(ps);
  free(ZILInternal(ps));
  return first;
}

ZILError ZILSetOption(ZILState* ps, const ZILChar* name, const ZILChar* value) {
  if (!ps || !name)
    return ZIL_ERR_Illegal_Argument;
  if (ps->initialized)
    return ZIL_ERR_Runtime_Initialized;
  ZILLong v = value ? atoi(value) : 0;
  if (strcmp(name, "stack-size") == 0) {
    if (v < 128)
      return ZIL_ERR_Invalid_Option_Value;
    ps->dataStackSize = v;
    ps->callStackSize = v / 4;
  } else if (strcmp(name, "data-stack-size") == 0) {
    if (v < 128)
      return ZIL_ERR_Invalid_Option_Value;
    ps->dataStackSize = v;
  } else if (strcmp(name, "call-stack-size") == 0) {
    if (v < 32)
      return ZIL_ERR_Invalid_Option_Value;
    ps->callStackSize = v;
  } else if (strcmp(name, "log-garbage") == 0) {
    ps->logGarbage = v != 0;
  } else {
    return ZIL_ERR_Unknown_Option;
  }
  return 0;
}
