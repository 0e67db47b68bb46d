// ZLinkedList<T>: the framework's doubly linked list that may change while it is iterated.
// The list counts running iterations. A node removed while an iteration runs is only marked
// and put on a pending list: it stays linked, so every iterator standing on it or before it
// walks on safely, and it is unlinked and freed when the outermost iteration ends (nested
// iterations are allowed). Removed nodes are invisible to every operation at once.
//
//   for (IEventListener* listener : listeners.Iterate()) listener->OnEvent(event);
//
// Iterate()/IterateReverse() answer a guard that holds the iteration open for the lifetime of
// the range-for (or of the guard variable). An iteration visits the values that were in the
// list when it began and are still there: values added during it are left to the next one.
// Moving a value during an iteration (MoveToFront, MoveToBack) removes its node and adds a new
// one, so running iterators never jump and a value moved to the back is not visited twice
// (a pane that moves itself to the top while its siblings are walked cannot loop forever).
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace ZTools {

template <typename T>
class ZLinkedList {
  struct Node {
    Node* prev;
    Node* next;
    Node* nextPending;  // chain of nodes removed during an iteration
    uint64_t stamp;     // when the node was added; iterations skip nodes newer than their start
    bool removed;
    T value;
  };

 public:
  // Walks live nodes in one direction; removed nodes are stepped over.
  class Iterator {
   public:
    using value_type = T;
    using difference_type = ptrdiff_t;
    T& operator*() const { return node_->value; }
    T* operator->() const { return &node_->value; }
    Iterator& operator++() {
      node_ = Live(reverse_ ? node_->prev : node_->next, reverse_, newest_);
      return *this;
    }
    bool operator==(const Iterator& other) const { return node_ == other.node_; }

   private:
    friend class ZLinkedList;
    Iterator(Node* node, bool reverse, uint64_t newest)
        : node_(Live(node, reverse, newest)), reverse_(reverse), newest_(newest) {}
    Node* node_;
    bool reverse_;
    uint64_t newest_;
  };

  // Holds an iteration open from construction to destruction.
  class Iteration {
   public:
    explicit Iteration(ZLinkedList& list, bool reverse = false) : list_(list), reverse_(reverse), newest_(list.stamp_) {
      ++list_.iterations_;
    }
    ~Iteration() { list_.EndIteration(); }
    Iteration(const Iteration&) = delete;
    Iteration& operator=(const Iteration&) = delete;

    Iterator begin() const { return Iterator(reverse_ ? list_.tail_ : list_.head_, reverse_, newest_); }
    Iterator end() const { return Iterator(nullptr, reverse_, newest_); }

   private:
    ZLinkedList& list_;
    bool reverse_;
    uint64_t newest_;  // the list's stamp when the iteration began
  };

  ZLinkedList() = default;
  ~ZLinkedList() {
    assert(iterations_ == 0 && "list destroyed during an iteration");
    FreeAll();
  }
  ZLinkedList(const ZLinkedList&) = delete;
  ZLinkedList& operator=(const ZLinkedList&) = delete;

  // Iteration from first to last, or from last to first.
  Iteration Iterate() { return Iteration(*this, false); }
  Iteration IterateReverse() { return Iteration(*this, true); }
  // Calls fn(value) for every value in order; when fn answers bool, true stops the walk and
  // ForEach answers whether it was stopped.
  template <typename Fn>
  bool ForEach(Fn&& fn) {
    Iteration iteration(*this);
    for (T& value : iteration) {
      if constexpr (std::is_same_v<decltype(fn(value)), bool>) {
        if (fn(value))
          return true;
      } else {
        fn(value);
      }
    }
    return false;
  }
  bool IsIterating() const noexcept { return iterations_ > 0; }

  size_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }
  // First and last live values, or null.
  T* First() noexcept {
    Node* node = Live(head_, false);
    return node ? &node->value : nullptr;
  }
  T* Last() noexcept {
    Node* node = Live(tail_, true);
    return node ? &node->value : nullptr;
  }
  // The value at index (0 = first), or null; walks the list.
  T* At(size_t index) noexcept {
    for (Node* node = Live(head_, false); node; node = Live(node->next, false))
      if (index-- == 0)
        return &node->value;
    return nullptr;
  }

  void PushBack(T value) { LinkBefore(nullptr, std::move(value)); }
  void PushFront(T value) { LinkBefore(Live(head_, false), std::move(value)); }
  // Inserts so the value ends up at index (clamped to the end).
  void Insert(size_t index, T value) {
    Node* at = Live(head_, false);
    while (at && index-- > 0)
      at = Live(at->next, false);
    LinkBefore(at, std::move(value));
  }

  // Index of the first value equal to value, or -1.
  template <typename U>
  ptrdiff_t IndexOf(const U& value) const noexcept {
    ptrdiff_t index = 0;
    for (Node* node = Live(head_, false); node; node = Live(node->next, false), ++index)
      if (node->value == value)
        return index;
    return -1;
  }
  template <typename U>
  bool Contains(const U& value) const noexcept {
    return IndexOf(value) >= 0;
  }

  // Removes the first value equal to value; answers whether one was found.
  template <typename U>
  bool Remove(const U& value) {
    return RemoveFirstIf([&value](const T& v) { return v == value; });
  }
  // Removes the first value for which pred answers true.
  template <typename Pred>
  bool RemoveFirstIf(Pred pred) {
    for (Node* node = Live(head_, false); node; node = Live(node->next, false)) {
      if (pred(node->value)) {
        RemoveNode(node);
        return true;
      }
    }
    return false;
  }
  // Removes every value for which pred answers true; answers how many.
  template <typename Pred>
  size_t RemoveIf(Pred pred) {
    size_t removed = 0;
    for (Node* node = Live(head_, false); node;) {
      Node* next = Live(node->next, false);
      if (pred(node->value)) {
        RemoveNode(node);
        ++removed;
      }
      node = next;
    }
    return removed;
  }
  void Clear() {
    RemoveIf([](const T&) { return true; });
  }

  // Moves the first value equal to value to the end or the start; false if it is not there.
  template <typename U>
  bool MoveToBack(const U& value) {
    return Move(value, true);
  }
  template <typename U>
  bool MoveToFront(const U& value) {
    return Move(value, false);
  }

 private:
  static T MoveOrCopy(T& value) {
    if constexpr (std::is_copy_constructible_v<T>)
      return value;
    else
      return std::move(value);
  }

  static Node* Live(Node* node, bool reverse, uint64_t newest = UINT64_MAX) noexcept {
    while (node && (node->removed || node->stamp > newest))
      node = reverse ? node->prev : node->next;
    return node;
  }

  void LinkBefore(Node* at, T&& value) {
    Node* node = new Node{nullptr, nullptr, nullptr, ++stamp_, false, std::move(value)};
    node->next = at;
    node->prev = at ? at->prev : tail_;
    (node->prev ? node->prev->next : head_) = node;
    (at ? at->prev : tail_) = node;
    ++count_;
  }

  void Unlink(Node* node) noexcept {
    (node->prev ? node->prev->next : head_) = node->next;
    (node->next ? node->next->prev : tail_) = node->prev;
  }

  void RemoveNode(Node* node) {
    node->removed = true;
    --count_;
    if (iterations_ > 0) {
      node->nextPending = pending_;
      pending_ = node;
      return;
    }
    Unlink(node);
    delete node;
  }

  template <typename U>
  bool Move(const U& value, bool toBack) {
    Node* found = Live(head_, false);
    while (found && !(found->value == value))
      found = Live(found->next, false);
    if (!found)
      return false;
    if (iterations_ > 0) {
      // Keep running iterators on their track: the old node stays linked, with its value
      // intact where T can be copied, until they end.
      T moved = MoveOrCopy(found->value);
      RemoveNode(found);
      if (toBack)
        PushBack(std::move(moved));
      else
        PushFront(std::move(moved));
      return true;
    }
    Unlink(found);
    found->prev = found->next = nullptr;
    if (toBack) {
      found->prev = tail_;
      (tail_ ? tail_->next : head_) = found;
      tail_ = found;
    } else {
      found->next = head_;
      (head_ ? head_->prev : tail_) = found;
      head_ = found;
    }
    return true;
  }

  void EndIteration() {
    assert(iterations_ > 0);
    if (--iterations_ > 0)
      return;
    // Unlink all pending nodes first, then free them: a value's destructor may touch the list.
    Node* pending = pending_;
    pending_ = nullptr;
    for (Node* node = pending; node; node = node->nextPending)
      Unlink(node);
    while (pending) {
      Node* next = pending->nextPending;
      delete pending;
      pending = next;
    }
  }

  void FreeAll() noexcept {
    Node* node = head_;
    head_ = tail_ = nullptr;
    pending_ = nullptr;
    count_ = 0;
    while (node) {
      Node* next = node->next;
      delete node;
      node = next;
    }
  }

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  Node* pending_ = nullptr;
  size_t count_ = 0;
  uint64_t stamp_ = 0;  // stamp of the newest node
  unsigned iterations_ = 0;
};

}  // namespace ZTools
