// "check" parses and builds a skin's markup file with every registered type and prints each
// error as "FILE(LINE,COLUMN): error CODE: TEXT"; "tree" prints the objects it built. Message
// boxes are captured, so nothing pops up: the printed lines are the whole report.
#include "tools/sonabel-skin/markupcommands.h"

#include <cstdio>

#include "platform/dialog.h"
#include "tools/sonabel-skin/skinmarkup.h"
#include "tools/sonabel-skin/skinsource.h"
#include "zml/zmlreport.h"
#include "zml/zmlscripthost.h"
#include "ztools/zresourcesource.h"

namespace {

// Builds FILE of SOURCE into host; prints the errors to `errors`. Answers 0, 1 or 2 (usage).
int BuildSkin(const char* command, int argc, char** argv, ZTools::ZMLScriptHost& host, FILE* errors) {
  if (argc < 1 || argc > 2) {
    PrintError("usage: sonabel-skin %s SOURCE [FILE]", command);
    return 2;
  }
  const char* file = argc == 2 ? argv[1] : "main.zml";
  if (!OpenSkinAsCurrentSource(argv[0])) return 1;
  Platform::DialogCapture quiet;
  int32_t code = host.Initialize();
  if (code == 0) code = PrepareSkinHost(host);
  if (code == 0) code = host.ParseFile(file);
  for (const ZTools::ZMLDiagnostic& diagnostic : host.Diagnostics())
    std::fprintf(errors, "%s\n", ZTools::ZMLFormatDiagnostic(diagnostic).CStr());
  if (code != 0 && host.Diagnostics().empty())
    std::fprintf(errors, "%s(0,0): error %d: %s\n", file, code, host.GetErrorText(code));
  std::fflush(errors);
  return code == 0 ? 0 : 1;
}

}  // namespace

int RunCheckCommand(int argc, char** argv) {
  ZTools::ZMLScriptHost host;
  const int status = BuildSkin("check", argc, argv, host, stdout);
  host.Teardown();
  ZTools::ZCloseResourceSource();
  return status;
}

int RunTreeCommand(int argc, char** argv) {
  ZTools::ZMLScriptHost host;
  int status = BuildSkin("tree", argc, argv, host, stderr);
  if (status == 0 && !ZTools::ZMLWriteTree(host, stdout)) {
    PrintError("cannot write the tree");
    status = 1;
  }
  host.Teardown();
  ZTools::ZCloseResourceSource();
  return status;
}
