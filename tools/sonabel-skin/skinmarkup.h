// How sonabel-skin builds a skin: with a pane manager that knows every tag the player knows and
// parses the same standard groups, so `check`, `tree` and `render` see exactly what the player
// would. Markup errors are captured and printed in compiler style; the script's compile errors
// and run-time exceptions go to standard error in the words of their message boxes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "app/mypanemanager.h"

// The player's pane manager: skins build here with their scripts and the player's classes, as
// they do in the player, but without station lists and without touching the player's settings.
class SkinToolManager : public ZTools::MyPaneManager {
 public:
  SkinToolManager() : MyPaneManager({}, false) {}
};

// Opens the skin at path as the process's resource source. False after printing why.
bool OpenSkinAsCurrentSource(const char* path);

// Opens SOURCE, initializes the manager and loads FILE; prints each markup error on `errors`
// as "FILE(LINE,COLUMN): error CODE: TEXT". Answers 0 or 1.
// The skin's Create hook has run when it answers 0.
int BuildSkin(const char* source, const char* file, SkinToolManager& manager, FILE* errors);

// Opens the skin (its Open hook runs) and gives it `idleTicks` idle calls, 20 ms apart.
void OpenSkin(SkinToolManager& manager, int idleTicks);

// Reads the --idle value: a count from 0 to 100000. False after printing why.
bool ParseIdleTicks(const char* command, const char* text, int& ticks);
