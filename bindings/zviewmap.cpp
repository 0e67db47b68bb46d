// The view id trie: each level takes one nibble of the id, least significant byte first and
// within a byte the high nibble first.
#include "bindings/zviewmap.h"

#include <array>
#include <climits>

namespace ZTools {

struct ZViewMap::Node {
  ZView* value = nullptr;
  std::array<std::unique_ptr<Node>, 16> children;
};

ZViewMap::ZViewMap() = default;
ZViewMap::~ZViewMap() { Clear(); }

ZViewMap::Node* ZViewMap::Slot(uint32_t key, bool create) {
  if (!root_) {
    if (!create)
      return nullptr;
    root_ = std::make_unique<Node>();
  }
  Node* node = root_.get();
  for (int byte = 0; byte < 4; byte++) {
    const uint32_t b = (key >> (8 * byte)) & 0xff;
    for (uint32_t nibble : {b >> 4, b & 0xf}) {
      std::unique_ptr<Node>& child = node->children[nibble];
      if (!child) {
        if (!create)
          return nullptr;
        child = std::make_unique<Node>();
      }
      node = child.get();
    }
  }
  return node;
}

int32_t ZViewMap::Enter(ZView* pane) {
  if (!pane)
    return 0;
  if (auto it = byPane_.find(pane); it != byPane_.end())
    return it->second;
  // Ids only grow until the map is cleared; after 2^31 - 1 distinct panes they wrap past 0.
  int32_t id = next_;
  while (id <= 0 || Find(id))
    id = id <= 0 ? 1 : id + 1;
  next_ = id == INT32_MAX ? 1 : id + 1;
  Slot(static_cast<uint32_t>(id), true)->value = pane;
  byPane_.emplace(pane, id);
  return id;
}

ZView* ZViewMap::Find(int32_t id) const {
  if (id == 0)
    return nullptr;
  Node* node = const_cast<ZViewMap*>(this)->Slot(static_cast<uint32_t>(id), false);
  return node ? node->value : nullptr;
}

void ZViewMap::Clear() {
  root_.reset();  // eight levels deep at most
  byPane_.clear();
  next_ = 1;
}

}  // namespace ZTools
