// Markup object lookups for pane properties.
#include "ztools/zmarkuplookup.h"

#include "zml/zmlscripthost.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"

namespace ZTools {
namespace {

template <typename T>
int32_t Lookup(ZMLParser* host, IEventListener* dependent, const char* interfaceName, std::string_view name, T*& out) {
  IEventListener* object = nullptr;
  if (!host || host->GetObject(interfaceName, TrimBlanks(name), &object) != 0)
    return kZErrIllegalObjectType;
  auto* found = dynamic_cast<T*>(object);
  if (!found)
    return kZErrIllegalObjectType;
  if (auto* scriptHost = dynamic_cast<ZMLScriptHost*>(host))
    scriptHost->AddDependency(dependent, object);
  out = found;
  return 0;
}

}  // namespace

int32_t LookupMarkupBitmap(ZMLParser* host, IEventListener* dependent, std::string_view name, ZMLBitmap*& out) {
  return Lookup(host, dependent, "interface_zmlbitmap", name, out);
}

int32_t LookupMarkupIcon(ZMLParser* host, IEventListener* dependent, std::string_view name, ZMLIcon*& out) {
  return Lookup(host, dependent, "interface_zmlicon", name, out);
}

}  // namespace ZTools
