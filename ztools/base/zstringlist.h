// ZStringList: an ordered list of ZString, and the two ways the framework splits text into
// one: at commas with blanks around the items trimmed (list-valued markup properties), and at
// any character of a set (lines of a file, fields of a setting).
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "ztools/base/zstring.h"

namespace ZTools {

class ZStringList {
 public:
  ZStringList() = default;
  ZStringList(std::initializer_list<ZString> items) : items_(items) {}

  // "a, b ,c" -> "a", "b", "c". Empty items stay ("a,,b" has three items) so positions keep
  // their meaning; a text that is empty or only blanks gives an empty list.
  static ZStringList SplitAtCommas(std::string_view text);
  // Splits at every character of separators. Empty items stay unless skipEmpty is set;
  // with trim set, blanks around each item are removed first. An empty text gives an empty list.
  static ZStringList SplitAtAny(std::string_view text, std::string_view separators, bool trim = false,
                                bool skipEmpty = false);

  size_t Count() const noexcept { return items_.size(); }
  bool IsEmpty() const noexcept { return items_.empty(); }
  // The item at index; an empty string past the end.
  const ZString& At(size_t index) const noexcept;
  const ZString& operator[](size_t index) const noexcept { return At(index); }
  ZString& operator[](size_t index) { return items_.at(index); }

  void Add(ZString item) { items_.push_back(std::move(item)); }
  // Inserts before index (clamped to the end).
  void Insert(size_t index, ZString item);
  // Removes the item at index; an index past the end is ignored.
  void RemoveAt(size_t index);
  void Clear() noexcept { items_.clear(); }

  // Index of the first item equal to text (without regard to case unless asked), or -1.
  ptrdiff_t IndexOf(std::string_view text, bool caseSensitive = false) const noexcept;
  bool Contains(std::string_view text, bool caseSensitive = false) const noexcept {
    return IndexOf(text, caseSensitive) >= 0;
  }
  ZString Join(std::string_view separator) const;

  auto begin() noexcept { return items_.begin(); }
  auto end() noexcept { return items_.end(); }
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

  friend bool operator==(const ZStringList&, const ZStringList&) = default;

 private:
  std::vector<ZString> items_;
};

}  // namespace ZTools
