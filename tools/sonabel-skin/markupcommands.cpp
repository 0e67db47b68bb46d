// "check" builds a skin's markup file with every registered type and prints each error as
// "FILE(LINE,COLUMN): error CODE: TEXT"; "tree" prints the objects it built, panes with their
// frame (left,top,right,bottom in the parent's coordinates), flags and align mode. Message boxes
// are captured, so nothing pops up: the printed lines are the whole report.
#include "tools/sonabel-skin/markupcommands.h"

#include <cstdio>

#include "tools/sonabel-skin/skinmarkup.h"
#include "tools/sonabel-skin/skinsource.h"
#include "zml/zmlnode.h"
#include "zml/zmlreport.h"
#include "ztools/zpanewords.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zview.h"

namespace {

void AnnotatePane(const ZTools::ZMLNode& node, ZTools::ZString& line) {
  const auto* pane = dynamic_cast<const ZTools::ZView*>(node.Object());
  if (!pane)
    return;
  const ZTools::ZRect r = pane->GetRect();
  char flags[256];
  ZTools::DescribeFlags(ZTools::PaneFlagWords(), pane->GetFlags(), flags, sizeof flags);
  const std::string_view align = ZTools::WordOf(ZTools::PaneAlignWords(), uint32_t(pane->GetAutoAlign()));
  line.AppendFormat(" [frame=%d,%d,%d,%d flags=%s align=%.*s%s]", r.left, r.top, r.right, r.bottom, flags,
                    int(align.size()), align.data(), pane->IsVisible() ? "" : " hidden");
}

// Runs one markup command on `SOURCE [FILE]`.
int RunMarkupCommand(const char* command, int argc, char** argv, bool printTree) {
  if (argc < 1 || argc > 2) {
    PrintError("usage: sonabel-skin %s SOURCE [FILE]", command);
    return 2;
  }
  int status;
  {
    SkinToolManager manager;
    status = BuildSkin(argv[0], argc == 2 ? argv[1] : "main.zml", manager, printTree ? stderr : stdout);
    if (status == 0 && printTree && !ZTools::ZMLWriteTree(manager.Host(), stdout, AnnotatePane)) {
      PrintError("cannot write the tree");
      status = 1;
    }
  }
  ZTools::ZCloseResourceSource();
  return status;
}

}  // namespace

int RunCheckCommand(int argc, char** argv) { return RunMarkupCommand("check", argc, argv, false); }

int RunTreeCommand(int argc, char** argv) { return RunMarkupCommand("tree", argc, argv, true); }
