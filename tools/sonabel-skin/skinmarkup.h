// How sonabel-skin builds a skin: with a pane manager that knows every tag the player knows and
// parses the same standard groups, so `check`, `tree` and `render` see exactly what the player
// would. Errors are captured, not shown in message boxes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "ztools/zpanemanager.h"

// The pane manager of the tool: the framework's manager with the script-enabled skin layout.
class SkinToolManager : public ZTools::ZPaneManager {
 protected:
  const char* StandardGroups() const override;
};

// Opens the skin at path as the process's resource source. False after printing why.
bool OpenSkinAsCurrentSource(const char* path);

// Opens SOURCE, initializes the manager and loads FILE; prints each markup error on `errors`
// as "FILE(LINE,COLUMN): error CODE: TEXT". Answers 0 or 1.
int BuildSkin(const char* source, const char* file, SkinToolManager& manager, FILE* errors);
