// Registration of the skin markup types and the standard groups every skin is laid out by.
#include "tools/sonabel-skin/skinmarkup.h"

#include <string>
#include <sys/stat.h>

#include "tools/sonabel-skin/skinsource.h"
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
  return host.ParseText(kStandardGroups);
}

bool OpenSkinAsCurrentSource(const char* path) {
  if (!OpenSkinSource(path)) return false;  // says why on standard error
  struct stat info;
  const std::string text(path);
  if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
    if (ZTools::ZOpenResourceSource(nullptr, path)) return true;
  } else {
    // A package is opened by its folder and its name without ".zpac".
    const size_t slash = text.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
    const size_t dot = name.size() >= 5 ? name.size() - 5 : std::string::npos;
    if (dot != std::string::npos && ZTools::ZEqualsNoCase(std::string_view(name).substr(dot), ".zpac")) {
      name.resize(dot);
      if (ZTools::ZOpenResourceSource(name.c_str(), folder.c_str())) return true;
    } else {
      PrintError("%s: a skin package must end in .zpac", path);
      return false;
    }
  }
  PrintError("%s: cannot open the skin", path);
  return false;
}
