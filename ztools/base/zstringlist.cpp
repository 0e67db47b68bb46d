// Splitting and joining for ZStringList.
#include "ztools/base/zstringlist.h"

namespace ZTools {
namespace {

const ZString kNoItem;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

}  // namespace

ZStringList ZStringList::SplitAtCommas(std::string_view text) {
  if (TrimView(text).empty())
    return {};
  return SplitAtAny(text, ",", true, false);
}

ZStringList ZStringList::SplitAtAny(std::string_view text, std::string_view separators, bool trim, bool skipEmpty) {
  ZStringList list;
  if (text.empty())
    return list;
  size_t start = 0;
  while (true) {
    const size_t stop = text.find_first_of(separators, start);
    std::string_view item = text.substr(start, stop == std::string_view::npos ? std::string_view::npos : stop - start);
    if (trim)
      item = TrimView(item);
    if (!(skipEmpty && item.empty()))
      list.Add(ZString(item));
    if (stop == std::string_view::npos)
      break;
    start = stop + 1;
  }
  return list;
}

const ZString& ZStringList::At(size_t index) const noexcept { return index < items_.size() ? items_[index] : kNoItem; }

void ZStringList::Insert(size_t index, ZString item) {
  if (index > items_.size())
    index = items_.size();
  items_.insert(items_.begin() + static_cast<ptrdiff_t>(index), std::move(item));
}

void ZStringList::RemoveAt(size_t index) {
  if (index < items_.size())
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(index));
}

ptrdiff_t ZStringList::IndexOf(std::string_view text, bool caseSensitive) const noexcept {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Equals(text, caseSensitive))
      return static_cast<ptrdiff_t>(i);
  return -1;
}

ZString ZStringList::Join(std::string_view separator) const {
  ZString joined;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i > 0)
      joined.Append(separator);
    joined.Append(items_[i]);
  }
  return joined;
}

}  // namespace ZTools
