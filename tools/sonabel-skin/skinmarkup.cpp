// The tool's pane manager and skin building.
#include "tools/sonabel-skin/skinmarkup.h"

#include <utility>

#include "platform/dialog.h"
#include "tools/sonabel-skin/skinsource.h"
#include "zml/zmlreport.h"
#include "ztools/base/zresourcesource.h"

namespace {

// The standard groups as the script-enabled pane manager parses them before a skin.
constexpr const char* kStandardGroups =
    "<zml> <definegroup name='scalers' types='interface_zparamscaler*'/> "
    "<definegroup name='bitmaps' types='interface_zmlbitmap*'/> <definegroup name='icons' types='icon*'/> "
    "<definegroup name='scripts' types='script?'/> <definegroup name='views' types='interface_zpane'/> "
    "<definegroup name='surface' types='bitmaps? icons? views'/> <definegroup name='surfaces' types='surface+'/> "
    "</zml>";

}  // namespace

const char* SkinToolManager::StandardGroups() const { return kStandardGroups; }

bool OpenSkinAsCurrentSource(const char* path) {
  auto source = OpenSkinSource(path);  // says why on standard error
  if (!source) return false;
  ZTools::ZSetResourceSource(std::move(source));
  return true;
}

int BuildSkin(const char* source, const char* file, SkinToolManager& manager, FILE* errors) {
  if (!OpenSkinAsCurrentSource(source)) return 1;
  Platform::DialogCapture quiet;
  int32_t code = manager.Initialize();
  if (code == 0) code = manager.LoadSkin(file);
  ZTools::ZMLScriptHost& host = manager.Host();
  for (const ZTools::ZMLDiagnostic& diagnostic : host.Diagnostics())
    std::fprintf(errors, "%s\n", ZTools::ZMLFormatDiagnostic(diagnostic).CStr());
  if (code != 0 && host.Diagnostics().empty())
    std::fprintf(errors, "%s(0,0): error %d: %s\n", file, code, host.GetErrorText(code));
  std::fflush(errors);
  return code == 0 ? 0 : 1;
}
