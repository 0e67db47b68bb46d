// zillistnodes.cpp - the nodes of the `list` class and their lifetime. A node is counted: the list
// holds one reference and every iterator on it one more. When a node leaves its list while
// something still holds it, its prev and next become counted links to the neighbours it had,
// so an iterator on a removed node can still step on; nodes kept only by such links drop their
// key and value at once. Invariant: a node outside a list has counted or empty prev/next.
#include <cstring>
#include <initializer_list>
#include <new>
#include <vector>

#include "zilinternal.h"

namespace {

void freeNodes(ZILState* ps, ZILListNode* node) {
  // Freeing a node drops its links, which may free the nodes they lead to: a work list, so a
  // long chain of removed nodes cannot exhaust the native stack.
  ZILListNode* work[64];
  size_t count = 0;
  std::vector<ZILListNode*> more;
  work[count++] = node;
  while (count > 0 || !more.empty()) {
    ZILListNode* n;
    if (!more.empty()) {
      n = more.back();
      more.pop_back();
    } else {
      n = work[--count];
    }
    for (ZILListNode* link : {n->prev, n->next}) {
      if (link && --link->links == 0 && link->refCount == 0) {
        if (count < 64) {
          work[count++] = link;
        } else {
          try {
            more.push_back(link);
          } catch (const std::bad_alloc&) {
            freeNodes(ps, link);  // no memory to queue it: freed here, one level deeper
          }
        }
      }
    }
    ZILFree(ps, n);
  }
}

// A node whose last holder went: its key and value go now, its memory once no link leads here.
void dropNode(ZILState* ps, ZILListNode* node) {
  ZILHandle* key = node->key;
  ZILHandle* value = node->value;
  node->key = node->value = nullptr;
  if (node->links == 0)
    freeNodes(ps, node);
  if (key)
    ZILRelease(ps, key);
  if (value)
    ZILRelease(ps, value);
}

}  // namespace

ZILList* ZILListCreate(ZILState* ps) {
  ZILList* list = static_cast<ZILList*>(ZILAlloc(ps, sizeof(ZILList)));
  if (list) {
    memset(list, 0, sizeof *list);
    list->state = ps;
  }
  return list;
}

void ZILListDestroy(ZILList* list) {
  if (!list)
    return;
  ZILListClear(list);
  ZILFree(list->state, list);
}

bool ZILListKeysEqual(const ZILHandle* a, const ZILHandle* b) {
  if (!a || !b || a->type != b->type)
    return false;
  switch (a->type) {
    case ZIL_TYPE_INT: return a->payload.l == b->payload.l;
    case ZIL_TYPE_FLOAT: return a->payload.f == b->payload.f;
    case ZIL_TYPE_STRING: {
      const ZILString* sa = static_cast<const ZILString*>(a->payload.p);
      const ZILString* sb = static_cast<const ZILString*>(b->payload.p);
      ZILLong la = sa && sa->text ? sa->length : 0;
      ZILLong lb = sb && sb->text ? sb->length : 0;
      return la == lb && (la == 0 || memcmp(sa->text, sb->text, static_cast<size_t>(la)) == 0);
    }
    default: return false;
  }
}

ZILListNode* ZILListFind(ZILList* list, const ZILHandle* key) {
  for (ZILListNode* n = list ? list->first : nullptr; n; n = n->next)
    if (ZILListKeysEqual(n->key, key))
      return n;
  return nullptr;
}

ZILListNode* ZILListNodeNew(ZILList* list, ZILHandle* key, ZILHandle* value) {
  ZILListNode* n = static_cast<ZILListNode*>(ZILAlloc(list->state, sizeof(ZILListNode)));
  if (!n) {
    ZILRelease(list->state, key);
    ZILRelease(list->state, value);
    return nullptr;
  }
  memset(n, 0, sizeof *n);
  n->list = list;
  n->key = key;
  n->value = value;
  n->refCount = 1;
  return n;
}

void ZILListLinkBefore(ZILList* list, ZILListNode* node, ZILListNode* before) {
  node->list = list;
  node->next = before;
  node->prev = before ? before->prev : list->last;
  if (node->prev)
    node->prev->next = node;
  else
    list->first = node;
  if (before)
    before->prev = node;
  else
    list->last = node;
  ++list->count;
  ++list->changes;
}

void ZILListLinkAfter(ZILList* list, ZILListNode* node, ZILListNode* after) {
  ZILListLinkBefore(list, node, after ? after->next : list->first);
}

void ZILListUnlink(ZILList* list, ZILListNode* node) {
  if (node->prev)
    node->prev->next = node->next;
  else
    list->first = node->next;
  if (node->next)
    node->next->prev = node->prev;
  else
    list->last = node->prev;
  node->prev = node->next = nullptr;
  --list->count;
  ++list->changes;
}

void ZILListRemove(ZILList* list, ZILListNode* node) {
  ZILListNode* prev = node->prev;
  ZILListNode* next = node->next;
  ZILListUnlink(list, node);
  node->list = nullptr;
  if (node->refCount > 1 || node->links > 0) {
    // Something still holds the node: remember where it was.
    node->prev = prev;
    node->next = next;
    if (prev)
      ++prev->links;
    if (next)
      ++next->links;
  }
  ZILListNodeRelease(list->state, node);
}

void ZILListClear(ZILList* list) {
  ZILListNode* n = list->first;
  list->first = list->last = nullptr;
  list->count = 0;
  ++list->changes;
  while (n) {
    ZILListNode* next = n->next;
    n->list = nullptr;
    n->prev = n->next = nullptr;  // every neighbour goes too: nothing to lead to
    ZILListNodeRelease(list->state, n);
    n = next;
  }
}

void ZILListNodeRelease(ZILState* ps, ZILListNode* node) {
  if (node && --node->refCount == 0)
    dropNode(ps, node);
}

ZILListNode* ZILListNextOf(ZILListNode* node) {
  if (!node)
    return nullptr;
  ZILListNode* n = node->next;
  while (n && !n->list)
    n = n->next;
  return n;
}

ZILListNode* ZILListPrevOf(ZILListNode* node) {
  if (!node)
    return nullptr;
  ZILListNode* n = node->prev;
  while (n && !n->list)
    n = n->prev;
  return n;
}

ZILListNode* ZILListNodeAt(ZILList* list, ZILLong index) {
  if (!list || index < 0 || index >= list->count)
    return nullptr;
  ZILListNode* n = list->first;
  while (n && index-- > 0)
    n = n->next;
  return n;
}
