// Markup files through the resource layer.
#include "zml/zmlfiles.h"

#include "ztools/zerror.h"
#include "ztools/zresourcename.h"

namespace ZTools {

bool ZMLMarkupFileKey(std::string_view name, ZString& key) {
  if (!ZResourceCanonicalName(name, key)) return false;
  key.MakeLower();
  return true;
}

int32_t ZMLReadMarkupFile(std::string_view, ZString&) { return kZErrNotSupported; }

int32_t ZMLListMarkupFiles(std::string_view, int32_t, std::vector<ZString>&) { return kZErrNotSupported; }

}  // namespace ZTools
