// The tool's pane manager and skin building.
#include "tools/sonabel-skin/skinmarkup.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "platform/dialog.h"
#include "tools/sonabel-skin/skinsource.h"
#include "zml/zmlreport.h"
#include "ztools/base/zresourcesource.h"

namespace {

// Boxes that come from the skin's script rather than from its markup.
bool IsScriptBox(const std::string& caption) {
  return caption == "ZentraScript Compiler Error" || caption == "ZIL Runtime Error";
}

}  // namespace

bool OpenSkinAsCurrentSource(const char* path) {
  auto source = OpenSkinSource(path);  // says why on standard error
  if (!source)
    return false;
  ZTools::ZSetResourceSource(std::move(source));
  return true;
}

int BuildSkin(const char* source, const char* file, SkinToolManager& manager, FILE* errors) {
  if (!OpenSkinAsCurrentSource(source))
    return 1;
  int32_t code = 0;
  {
    // Markup errors are printed below from the host's list; the script's boxes go on to standard
    // error as they came.
    Platform::DialogCapture quiet;
    code = manager.Initialize();
    if (code == 0)
      code = manager.LoadSkin(file);
    for (const auto& box : quiet.Boxes())
      if (IsScriptBox(box.caption))
        std::fprintf(stderr, "[%s]\n%s\n", box.caption.c_str(), box.text.c_str());
  }
  ZTools::ZMLScriptHost& host = manager.Host();
  for (const ZTools::ZMLDiagnostic& diagnostic : host.Diagnostics())
    std::fprintf(errors, "%s\n", ZTools::ZMLFormatDiagnostic(diagnostic).CStr());
  if (code != 0 && host.Diagnostics().empty())
    std::fprintf(errors, "%s(0,0): error %d: %s\n", file, code, host.GetErrorText(code));
  std::fflush(errors);
  if (code != 0)
    return 1;
  manager.Create();
  return 0;
}

void OpenSkin(SkinToolManager& manager, int idleTicks) {
  manager.Open();
  for (int i = 1; i <= idleTicks; i++)
    manager.Idle(uint64_t(i) * 20);
}

bool ParseIdleTicks(const char* command, const char* text, int& ticks) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || n < 0 || n > 100000) {
    std::fprintf(stderr, "%s: --idle wants a count of idle ticks from 0 to 100000, not '%s'\n", command, text);
    return false;
  }
  ticks = int(n);
  return true;
}
