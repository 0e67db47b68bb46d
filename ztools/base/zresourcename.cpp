// Canonical relative resource names: split at '\' and '/', drop empty and "." parts,
// let ".." remove the part before it, refuse a ".." that has nothing left to remove.
#include "ztools/base/zresourcename.h"

#include <vector>

namespace ZTools {

bool ZResourceCanonicalName(std::string_view name, ZString& out) {
  if (name.find('\0') != std::string_view::npos)
    return false;  // the system would cut it there
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos)
      end = name.size();
    std::string_view part = name.substr(start, end - start);
    if (part == "..") {
      if (parts.empty())
        return false;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty())
    return false;
  out.Clear();
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i)
      out.Append('/');
    out.Append(parts[i]);
  }
  return true;
}

}  // namespace ZTools
