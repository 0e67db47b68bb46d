// Registration of the skin markup types and the standard groups every skin is laid out by.
#include "tools/sonabel-skin/skinmarkup.h"

#include <utility>

#include "tools/sonabel-skin/skinsource.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zresourcesource.h"

namespace {

// The standard groups as the script-enabled pane manager parses them before a skin.
constexpr const char* kStandardGroups =
    "<zml> <definegroup name='scalers' types='interface_zparamscaler*'/> "
    "<definegroup name='bitmaps' types='interface_zmlbitmap*'/> <definegroup name='icons' types='icon*'/> "
    "<definegroup name='scripts' types='script?'/> <definegroup name='views' types='interface_zpane'/> "
    "<definegroup name='surface' types='bitmaps? icons? views'/> <definegroup name='surfaces' types='surface+'/> "
    "</zml>";

}  // namespace

int32_t PrepareSkinHost(ZTools::ZMLScriptHost& host) {
  // The layers' markup types are registered here as they arrive (panes, parameters, scalers,
  // bitmaps and icons of the framework; the script tag, script controls and scalers).
  if (int32_t rc = ZTools::RegisterBitmapMarkupTypes(host)) return rc;
  return host.ParseText(kStandardGroups);
}

bool OpenSkinAsCurrentSource(const char* path) {
  auto source = OpenSkinSource(path);  // says why on standard error
  if (!source) return false;
  ZTools::ZSetResourceSource(std::move(source));
  return true;
}
