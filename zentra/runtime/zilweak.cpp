// zilweak.cpp - weak handles that cannot dangle. A weak handle shares its object's pointer
// without owning it; when the object is destroyed, every weak handle to it becomes null instead
// of pointing at freed memory. The state keeps a table from object pointer to weak handles
// (open addressing, linear probing, deletion by backward shift); it is only consulted on the
// destruction path while weak handles to objects exist.
#include <cstring>

#include "zilinternal.h"

namespace {

size_t slotOf(const ZILWeakTable* t, const void* object) {
  uint64_t x = reinterpret_cast<uintptr_t>(object);
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  return static_cast<size_t>(x) & static_cast<size_t>(t->capacity - 1);
}

void insertEntry(ZILWeakTable* t, void* object, ZILHandle* weak) {
  size_t mask = static_cast<size_t>(t->capacity - 1);
  size_t i = slotOf(t, object);
  while (t->entries[i].object)
    i = (i + 1) & mask;
  t->entries[i].object = object;
  t->entries[i].weak = weak;
  ++t->count;
}

// Removes slot i and shifts later entries of the probe run back, so no run has a hole.
void removeAt(ZILWeakTable* t, size_t i) {
  size_t mask = static_cast<size_t>(t->capacity - 1);
  size_t hole = i;
  for (size_t j = (i + 1) & mask; t->entries[j].object; j = (j + 1) & mask) {
    size_t home = slotOf(t, t->entries[j].object);
    // Entry j may move into the hole when its home is not within (hole, j].
    bool homeInRange = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!homeInRange) {
      t->entries[hole] = t->entries[j];
      hole = j;
    }
  }
  t->entries[hole].object = nullptr;
  t->entries[hole].weak = nullptr;
  --t->count;
}

bool grow(ZILState* ps, ZILWeakTable* t) {
  ZILLong capacity = t->capacity ? t->capacity * 2 : 64;
  auto* entries =
      static_cast<ZILWeakTable::Entry*>(ZILAlloc(ps, sizeof(ZILWeakTable::Entry) * static_cast<size_t>(capacity)));
  if (!entries)
    return false;
  memset(entries, 0, sizeof(ZILWeakTable::Entry) * static_cast<size_t>(capacity));
  ZILWeakTable::Entry* old = t->entries;
  ZILLong oldCapacity = t->capacity;
  t->entries = entries;
  t->capacity = capacity;
  t->count = 0;
  for (ZILLong i = 0; i < oldCapacity; ++i)
    if (old[i].object)
      insertEntry(t, old[i].object, old[i].weak);
  ZILFree(ps, old);
  return true;
}

// Ints, floats and exception codes are copied into the weak handle; only objects can go away
// under it.
bool holdsObject(ZILState* ps, const ZILHandle* h) {
  if (!h->payload.p)
    return false;
  if (h->type == ZIL_TYPE_STRING || h->type == ZIL_TYPE_ARRAY)
    return true;
  if (!ZILTypeValid(ps, h->type))
    return false;
  const ZILTypeInfo& ti = ZILTypes(ps)[h->type];
  return ti.isNative || ti.family == ZIL_FAMILY_CLASS || ti.family == ZIL_FAMILY_THREAD ||
         ti.family == ZIL_FAMILY_DELEGATE;
}

}  // namespace

bool ZILWeakAttach(ZILState* ps, ZILHandle* weak) {
  if (!holdsObject(ps, weak))
    return true;
  ZILWeakTable* t = ps->weakRefs;
  if (!t) {
    t = static_cast<ZILWeakTable*>(ZILAlloc(ps, sizeof(ZILWeakTable)));
    if (!t)
      return false;
    memset(t, 0, sizeof *t);
    ps->weakRefs = t;
  }
  if ((t->count + 1) * 2 > t->capacity && !grow(ps, t))
    return false;
  insertEntry(t, weak->payload.p, weak);
  return true;
}

void ZILWeakDetach(ZILState* ps, ZILHandle* weak) {
  ZILWeakTable* t = ps->weakRefs;
  if (!t || t->count == 0 || !holdsObject(ps, weak))
    return;
  size_t mask = static_cast<size_t>(t->capacity - 1);
  for (size_t i = slotOf(t, weak->payload.p); t->entries[i].object; i = (i + 1) & mask) {
    if (t->entries[i].weak == weak) {
      removeAt(t, i);
      return;
    }
  }
}

void ZILWeakObjectGoneSlow(ZILState* ps, void* object) {
  ZILWeakTable* t = ps->weakRefs;
  if (!t || t->count == 0 || !object)
    return;
  size_t mask = static_cast<size_t>(t->capacity - 1);
  size_t i = slotOf(t, object);
  while (t->entries[i].object) {
    if (t->entries[i].object == object) {
      ZILHandle* weak = t->entries[i].weak;
      weak->type = ZIL_TYPE_NULL;
      weak->flags &= ~ZIL_HANDLE_WEAK;
      weak->payload.p = nullptr;
      removeAt(t, i);  // slot i now holds the next entry of the run, if any
      continue;
    }
    i = (i + 1) & mask;
  }
}

void ZILWeakFreeTable(ZILState* ps) {
  if (!ps->weakRefs)
    return;
  ZILFree(ps, ps->weakRefs->entries);
  ZILFree(ps, ps->weakRefs);
  ps->weakRefs = nullptr;
}
