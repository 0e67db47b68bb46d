// Setting parameters from the command line, and "params": one line per parameter of the skin,
// NAME<TAB>VALUE<TAB>NORMALIZED<TAB>TEXT with numbers as %g, after the given changes.
#include "tools/sonabel-skin/paramcommands.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/sonabel-skin/skinsource.h"
#include "ztools/zparamformat.h"
#include "ztools/zparameter.h"
#include "ztools/base/zresourcesource.h"

bool ApplyParameterOption(SkinToolManager& manager, const std::string& text, bool normalized) {
  const char* option = normalized ? "--norm" : "--param";
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) {
    PrintError("%s %s: write NAME=VALUE", option, text.c_str());
    return false;
  }
  const std::string name = text.substr(0, eq), value = text.substr(eq + 1);
  ZTools::ZParameter* p = manager.FindParameter(name);
  if (!p) {
    PrintError("%s %s: the skin has no parameter named '%s'", option, text.c_str(), name.c_str());
    return false;
  }
  double number;
  const bool isNumber = ZTools::ReadDisplayNumber(value, number);
  if (normalized) {
    if (!isNumber || number < 0 || number > 1) {
      PrintError("%s %s: a position is a number from 0 to 1", option, text.c_str());
      return false;
    }
    p->SetNormalized(number);
  } else if (isNumber) {
    p->SetFloatValue(number);
  } else {
    p->SetStringValue(value);
  }
  p->SetDirty();
  p->Announce();
  return true;
}

int RunParamsCommand(int argc, char** argv) {
  const char* source = nullptr;
  const char* file = "main.zml";
  std::vector<std::pair<std::string, bool>> changes;
  int idle = 0;
  for (int i = 0; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--param") && hasValue) {
      changes.emplace_back(argv[++i], false);
    } else if (!std::strcmp(argv[i], "--norm") && hasValue) {
      changes.emplace_back(argv[++i], true);
    } else if (!std::strcmp(argv[i], "--file") && hasValue) {
      file = argv[++i];
    } else if (!std::strcmp(argv[i], "--idle") && hasValue) {
      if (!ParseIdleTicks("params", argv[++i], idle))
        return 2;
    } else if (argv[i][0] != '-' && !source) {
      source = argv[i];
    } else {
      source = nullptr;
      break;
    }
  }
  if (!source) {
    PrintError("usage: sonabel-skin params SOURCE [--file MAIN] [--param NAME=VALUE]... [--norm NAME=X]... [--idle N]");
    return 2;
  }
  int status = 0;
  {
    SkinToolManager manager;
    status = BuildSkin(source, file, manager, stdout);
    for (const auto& [text, normalized] : changes) {
      if (status != 0)
        break;
      if (!ApplyParameterOption(manager, text, normalized))
        status = 1;
    }
    if (status == 0)
      OpenSkin(manager, idle);
    if (status == 0) {
      for (ZTools::ZParameter* p : manager.Parameters()) {
        std::printf("%s\t%s\t%s\t%s\n", p->GetName().CStr(),
                    ZTools::FormatDisplayValue("%g", p->GetFloatValue()).CStr(),
                    ZTools::FormatDisplayValue("%g", p->GetNormalized()).CStr(), p->GetStringValue().CStr());
      }
      std::fflush(stdout);
    }
  }
  ZTools::ZCloseResourceSource();
  return status;
}
