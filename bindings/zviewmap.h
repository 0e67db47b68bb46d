// The ids under which scripts know panes. A script View holds an id, never a pane pointer, so a
// view obtained before the skin was closed and opened again finds nothing instead of a stale pane.
// Ids live in a sixteen-way trie over the id's nibbles (eight levels, nodes made on demand); a
// pane already mapped keeps its id, so asking for the same pane on every tick adds nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

namespace ZTools {

class ZView;

class ZViewMap {
 public:
  ZViewMap();
  ~ZViewMap();
  ZViewMap(const ZViewMap&) = delete;
  ZViewMap& operator=(const ZViewMap&) = delete;

  // The pane's id: its existing one, or the next free id (never 0). 0 for a null pane.
  int32_t Enter(ZView* pane);
  // The pane of an id, or null.
  ZView* Find(int32_t id) const;
  // Forgets every id; ids are handed out from 1 again.
  void Clear();
  size_t Size() const noexcept { return byPane_.size(); }

 private:
  struct Node;
  Node* Slot(uint32_t key, bool create);

  std::unique_ptr<Node> root_;
  std::unordered_map<const ZView*, int32_t> byPane_;
  int32_t next_ = 1;
};

}  // namespace ZTools
