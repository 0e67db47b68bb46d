// ziltrie.cpp - the byte trie behind the `table` class and the type-name index. A key byte takes
// two steps down: to the child numbered by its high four bits, then to the one numbered by its
// low four bits, so a lookup costs two pointer steps per byte and never hashes. Nodes are never
// removed while the table lives; they are carved from chunks the table owns, which makes
// destroying, marking and copying a table a linear pass over its chunks.
#include <cstring>
#include <initializer_list>

#include "zilinternal.h"

namespace {

constexpr ZILLong kFirstChunkNodes = 8;
constexpr ZILLong kLargestChunkNodes = 4096;

// A chunk header; its nodes follow it in the same allocation.
struct Chunk {
  Chunk* next;  // the previous (smaller) chunk
  ZILLong used;
  ZILLong capacity;
  ZILTrieNode* nodes() { return reinterpret_cast<ZILTrieNode*>(this + 1); }
};
static_assert(sizeof(Chunk) % alignof(ZILTrieNode) == 0, "nodes follow the header aligned");

Chunk* chunksOf(ZILTable* t) { return static_cast<Chunk*>(t->chunks); }

ZILTrieNode* newNode(ZILTable* t) {
  Chunk* c = chunksOf(t);
  if (!c || c->used == c->capacity) {
    ZILLong capacity =
        c ? (c->capacity * 2 > kLargestChunkNodes ? kLargestChunkNodes : c->capacity * 2) : kFirstChunkNodes;
    size_t bytes = sizeof(Chunk) + sizeof(ZILTrieNode) * static_cast<size_t>(capacity);
    Chunk* grown = static_cast<Chunk*>(ZILAlloc(t->state, bytes));
    if (!grown)
      return nullptr;
    grown->next = c;
    grown->used = 0;
    grown->capacity = capacity;
    t->chunks = grown;
    c = grown;
  }
  ZILTrieNode* n = c->nodes() + c->used++;
  memset(n, 0, sizeof *n);
  return n;
}

}  // namespace

ZILTable* ZILTableCreate(ZILState* ps, ZILLong mode) {
  ZILTable* t = static_cast<ZILTable*>(ZILAlloc(ps, sizeof(ZILTable)));
  if (!t)
    return nullptr;
  memset(t, 0, sizeof *t);
  t->state = ps;
  t->mode = mode;
  if (mode == ZIL_TABLE_HANDLES)
    t->release = [](ZILState* s, void* value) {
      ZILRelease(s, static_cast<ZILHandle*>(value));
    };
  t->root = newNode(t);
  if (!t->root) {
    ZILFree(ps, t);
    return nullptr;
  }
  return t;
}

void ZILTableDestroy(ZILTable* t) {
  if (!t)
    return;
  ZILState* ps = t->state;
  Chunk* c = chunksOf(t);
  t->chunks = nullptr;
  t->root = nullptr;
  // The values are released after the table is unreachable from its nodes: a release may run
  // code that looks at other objects, never at this table again.
  for (Chunk* k = c; k; k = k->next)
    for (ZILLong i = 0; i < k->used; ++i)
      if (void* v = k->nodes()[i].value) {
        k->nodes()[i].value = nullptr;
        if (t->release)
          t->release(ps, v);
      }
  while (c) {
    Chunk* next = c->next;
    ZILFree(ps, c);
    c = next;
  }
  ZILFree(ps, t);
}

ZILTrieNode* ZILTableNode(ZILTable* t, const ZILChar* key, ZILLong length, bool create) {
  if (!t || !t->root || !key || length <= 0)
    return nullptr;
  ZILTrieNode* n = t->root;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(key);
  const unsigned char* end = p + length;
  if (!create) {
    for (; n && p < end; ++p) {
      n = n->child[*p >> 4];
      if (n)
        n = n->child[*p & 15];
    }
    return n;
  }
  for (; p < end; ++p) {
    for (unsigned step : {static_cast<unsigned>(*p >> 4), static_cast<unsigned>(*p & 15)}) {
      ZILTrieNode* c = n->child[step];
      if (!c) {
        if (!(c = newNode(t)))
          return nullptr;
        n->child[step] = c;
      }
      n = c;
    }
  }
  return n;
}

ZILError ZILTableSet(ZILTable* t, const ZILChar* key, ZILLong length, void* value) {
  if (!t || !key || length <= 0)
    return ZIL_ERR_Illegal_Argument;  // empty keys have no node
  ZILTrieNode* n = ZILTableNode(t, key, length, true);
  if (!n)
    return ZIL_EXC_Allocation_Fail;
  void* old = n->value;
  n->value = value;
  if (old && t->release)
    t->release(t->state, old);
  return 0;
}

void* ZILTableGet(ZILTable* t, const ZILChar* key, ZILLong length) {
  ZILTrieNode* n = ZILTableNode(t, key, length, false);
  return n ? n->value : nullptr;
}

ZILTrieNode* ZILTableChild(ZILTable* t, ZILTrieNode* n, int i) {
  if (!n->child[i])
    n->child[i] = newNode(t);
  return n->child[i];
}

ZILError ZILTableForEach(ZILTable* t, ZILError (*visit)(void* context, ZILTrieNode* node), void* context) {
  for (Chunk* k = t ? chunksOf(t) : nullptr; k; k = k->next)
    for (ZILLong i = 0; i < k->used; ++i)
      if (k->nodes()[i].value) {
        ZILError e = visit(context, k->nodes() + i);
        if (e)
          return e;
      }
  return 0;
}

// ----------------------------------------------------------------------------------------------
// Enumeration order

void ZILTrieWalkBegin(ZILTrieWalk* w, ZILTable* t) {
  memset(w, 0, sizeof *w);
  w->state = t ? t->state : nullptr;
  if (!t || !t->root)
    return;
  w->capacity = 64;
  w->nodes = static_cast<ZILTrieNode**>(ZILAlloc(w->state, sizeof(ZILTrieNode*) * 64));
  w->nextChild = static_cast<uint8_t*>(ZILAlloc(w->state, 64));
  if (!w->nodes || !w->nextChild) {
    ZILTrieWalkEnd(w);
    w->capacity = -1;  // remembered as the out-of-memory end
    return;
  }
  w->nodes[0] = t->root;
  w->nextChild[0] = 0;
  w->depth = 1;
}

ZILTrieNode* ZILTrieWalkNext(ZILTrieWalk* w, ZILError* pError) {
  *pError = w->capacity < 0 ? ZIL_EXC_Allocation_Fail : 0;
  while (w->depth > 0) {
    ZILLong top = w->depth - 1;
    ZILTrieNode* n = w->nodes[top];
    if (w->nextChild[top] < 16) {
      ZILTrieNode* c = n->child[w->nextChild[top]++];
      if (!c)
        continue;
      if (w->depth == w->capacity) {
        ZILLong capacity = w->capacity * 2;
        auto* nodes =
            static_cast<ZILTrieNode**>(ZILAlloc(w->state, sizeof(ZILTrieNode*) * static_cast<size_t>(capacity)));
        auto* next = static_cast<uint8_t*>(ZILAlloc(w->state, static_cast<size_t>(capacity)));
        if (!nodes || !next) {
          ZILFree(w->state, nodes);
          ZILFree(w->state, next);
          *pError = ZIL_EXC_Allocation_Fail;
          return nullptr;
        }
        memcpy(nodes, w->nodes, sizeof(ZILTrieNode*) * static_cast<size_t>(w->depth));
        memcpy(next, w->nextChild, static_cast<size_t>(w->depth));
        ZILFree(w->state, w->nodes);
        ZILFree(w->state, w->nextChild);
        w->nodes = nodes;
        w->nextChild = next;
        w->capacity = capacity;
      }
      w->nodes[w->depth] = c;
      w->nextChild[w->depth] = 0;
      ++w->depth;
      continue;
    }
    --w->depth;
    if (n->value)
      return n;
  }
  return nullptr;
}

void ZILTrieWalkEnd(ZILTrieWalk* w) {
  ZILFree(w->state, w->nodes);
  ZILFree(w->state, w->nextChild);
  w->nodes = nullptr;
  w->nextChild = nullptr;
  w->depth = 0;
}
