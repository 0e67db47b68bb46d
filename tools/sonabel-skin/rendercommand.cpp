// "render" builds a skin as the player does, lays its tree out at a size through the normal
// resize path, draws one surface and writes it as an 8-bit PNG: the skin author's quick look and
// the golden-image tests' renderer. The size is --size, else the skin's `initialwindowsize`
// constant, else the root pane's own size. The skin's Create and Open hooks run first, then
// --idle N idle ticks.
#include "tools/sonabel-skin/rendercommand.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/sonabel-skin/paramcommands.h"
#include "tools/sonabel-skin/skinmarkup.h"
#include "tools/sonabel-skin/skinsource.h"
#include "ztools/zdrawcontext.h"
#include "ztools/base/zerror.h"
#include "ztools/zmarkupvalues.h"
#include "ztools/zpng.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zview.h"

namespace {

struct RenderOptions {
  const char* source = nullptr;
  const char* out = nullptr;
  const char* file = "main.zml";
  int32_t surface = -1;  // the current one
  int32_t width = -1, height = -1;
  std::vector<std::string> params;
  int idle = 0;
};

bool ParseSize(const char* text, int32_t& w, int32_t& h) {
  char* end = nullptr;
  const long a = std::strtol(text, &end, 10);
  if (end == text || (*end != 'x' && *end != 'X'))
    return false;
  const char* second = end + 1;
  const long b = std::strtol(second, &end, 10);
  if (end == second || *end != '\0')
    return false;
  if (a < 1 || b < 1 || a > ZTools::kMaxPaneCoordinate || b > ZTools::kMaxPaneCoordinate)
    return false;
  w = int32_t(a);
  h = int32_t(b);
  return true;
}

// Answers 0, or 2 after printing the usage error.
int ParseOptions(int argc, char** argv, RenderOptions& o) {
  std::vector<const char*> positional;
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(a, "--file") && hasValue) {
      o.file = argv[++i];
    } else if (!std::strcmp(a, "--surface") && hasValue) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || n < 0 || n > 1000000) {
        PrintError("render: --surface wants a number from 0, not '%s'", argv[i]);
        return 2;
      }
      o.surface = int32_t(n);
    } else if (!std::strcmp(a, "--size") && hasValue) {
      if (!ParseSize(argv[++i], o.width, o.height)) {
        PrintError("render: --size wants WIDTHxHEIGHT from 1 to %d, not '%s'", ZTools::kMaxPaneCoordinate, argv[i]);
        return 2;
      }
    } else if (!std::strcmp(a, "--param") && hasValue) {
      o.params.emplace_back(argv[++i]);
    } else if (!std::strcmp(a, "--idle") && hasValue) {
      if (!ParseIdleTicks("render", argv[++i], o.idle))
        return 2;
    } else if (a[0] == '-' && a[1] == '-') {
      PrintError("render: unknown option or missing value: %s", a);
      return 2;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) {
    PrintError(
        "usage: sonabel-skin render SOURCE OUT.png [--file MAIN] [--surface N] [--size WxH] "
        "[--param NAME=VALUE]... [--idle N]");
    return 2;
  }
  o.source = positional[0];
  o.out = positional[1];
  return 0;
}

// The size to lay the skin out at when none was given.
void DefaultSize(SkinToolManager& manager, RenderOptions& o) {
  int32_t w, h;
  if (const ZTools::ZString* text = manager.Host().GetVariable("initialwindowsize");
      text && ZTools::ParsePair(text->View(), w, h) && w > 0 && h > 0) {
    o.width = std::min(w, ZTools::kMaxPaneCoordinate);
    o.height = std::min(h, ZTools::kMaxPaneCoordinate);
    return;
  }
  ZTools::ZView* root = manager.CurrentRoot();
  o.width = root ? root->Width() : 0;
  o.height = root ? root->Height() : 0;
}

int Render(SkinToolManager& manager, RenderOptions& o) {
  if (BuildSkin(o.source, o.file, manager, stdout) != 0)
    return 1;
  if (manager.SurfaceCount() == 0) {
    PrintError("render: %s has no surface to draw (a <surfaces> element with a <surface>)", o.file);
    return 1;
  }
  if (o.surface >= 0 && !manager.SetCurrentSurface(o.surface)) {
    PrintError("render: there is no surface %d; the skin has %zu", o.surface, manager.SurfaceCount());
    return 1;
  }
  for (const std::string& p : o.params)
    if (!ApplyParameterOption(manager, p, false))
      return 1;
  if (o.width < 0)
    DefaultSize(manager, o);
  if (o.width <= 0 || o.height <= 0) {
    PrintError("render: the skin's root pane has no size; give one with --size WxH");
    return 1;
  }
  manager.ResizeRootArea(o.width, o.height);
  OpenSkin(manager, o.idle);
  ZTools::ZDrawContext context;
  if (int32_t rc = context.Resize(o.width, o.height)) {
    PrintError("render: cannot make a %dx%d picture: %s (%d)", o.width, o.height, ZTools::ZErrorText(rc), rc);
    return 1;
  }
  manager.Draw(context, manager.RootArea());
  if (int32_t rc = ZTools::ZPNGWrite(context, o.out)) {
    PrintError("%s: %s (%d)", o.out, ZTools::ZErrorText(rc), rc);
    return 1;
  }
  return 0;
}

}  // namespace

int RunRenderCommand(int argc, char** argv) {
  RenderOptions options;
  if (int rc = ParseOptions(argc, argv, options))
    return rc;
  int status;
  {
    SkinToolManager manager;
    status = Render(manager, options);
  }
  ZTools::ZCloseResourceSource();
  return status;
}
