// sonabel-skin draw-test: writes the drawing layer's test sheet as a PNG file.
#include "tools/sonabel-skin/drawcommands.h"

#include "tools/sonabel-skin/skinsource.h"
#include "ztools/zdrawtest.h"
#include "ztools/base/zerror.h"

int RunDrawTestCommand(int argc, char** argv) {
  if (argc != 1) {
    PrintError("usage: sonabel-skin draw-test OUT.png");
    return 2;
  }
  if (int32_t rc = ZTools::WriteDrawTestSheet(argv[0])) {
    PrintError("%s: %s (%d)", argv[0], ZTools::ZErrorText(rc), rc);
    return 1;
  }
  return 0;
}
