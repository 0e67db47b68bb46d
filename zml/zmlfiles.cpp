// Markup files through the resource layer. Folder imports list the current source's files and
// keep those below the folder, so they work the same for packages and for skin folders.
#include "zml/zmlfiles.h"

#include <algorithm>

#include "ztools/base/zerror.h"
#include "ztools/base/zfile.h"
#include "ztools/base/zresource.h"
#include "ztools/base/zresourcename.h"
#include "ztools/base/zresourcesource.h"

namespace ZTools {
namespace {

// Files of a folder sort before its subfolders; otherwise by name, without regard to case.
bool ImportOrder(std::string_view a, std::string_view b) {
  for (;;) {
    const size_t slashA = a.find('/');
    const size_t slashB = b.find('/');
    const bool fileA = slashA == std::string_view::npos;
    const bool fileB = slashB == std::string_view::npos;
    if (fileA != fileB)
      return fileA;
    const std::string_view partA = a.substr(0, slashA);
    const std::string_view partB = b.substr(0, slashB);
    const int order = ZCompareNoCase(partA, partB);
    if (order != 0 || fileA)
      return order < 0;
    a = a.substr(slashA + 1);
    b = b.substr(slashB + 1);
  }
}

}  // namespace

bool ZMLMarkupFileKey(std::string_view name, ZString& key) {
  if (!ZResourceCanonicalName(name, key))
    return false;
  key.MakeLower();
  return true;
}

int32_t ZMLReadMarkupFile(std::string_view name, ZString& text) {
  ZResource file;
  if (const int32_t code = file.Open(name, kZFileRead, true); code != 0)
    return code;
  const int32_t code = file.ReadAll(text);
  file.Close();
  return code;
}

int32_t ZMLListMarkupFiles(std::string_view folder, int32_t depth, std::vector<ZString>& files) {
  files.clear();
  ZResourceSource* source = ZCurrentResourceSource();
  if (!source)
    return kZErrFileOpenFailed;
  ZString prefix;
  // The skin's root itself may be named "", "." or "/".
  if (ZResourceCanonicalName(folder, prefix)) {
    prefix.Append('/');
  } else if (!folder.empty() && folder.find_first_not_of("./\\") != std::string_view::npos) {
    return kZErrNotFound;
  }
  for (const ZResourceListEntry& entry : source->List()) {
    const std::string_view name = entry.name.View();
    if (name.size() <= prefix.Length() || !ZEqualsNoCase(name.substr(0, prefix.Length()), prefix.View()))
      continue;
    const std::string_view below = name.substr(prefix.Length());
    const int32_t level = static_cast<int32_t>(std::count(below.begin(), below.end(), '/'));
    if (level >= depth)
      continue;
    const size_t dot = below.rfind('.');
    if (dot == std::string_view::npos || below.find('/', dot) != std::string_view::npos)
      continue;
    if (!ZEqualsNoCase(below.substr(dot + 1), "zml"))
      continue;
    files.emplace_back(name);
  }
  const size_t skip = prefix.Length();
  std::sort(files.begin(), files.end(), [skip](const ZString& a, const ZString& b) {
    return ImportOrder(a.View().substr(skip), b.View().substr(skip));
  });
  return 0;
}

}  // namespace ZTools
