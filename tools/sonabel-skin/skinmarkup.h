// The markup types a skin may use, registered in one place so that "check" and "tree" see a
// skin as the player does. Every layer that adds markup types adds its registration here.
#pragma once

#include "zml/zmlscripthost.h"

// Registers every markup type known so far with an initialized host and parses the standard
// groups (scalers, bitmaps, icons, scripts, views, surface, surfaces). Answers 0 or the first
// error code; the errors are in the host's diagnostics.
int32_t PrepareSkinHost(ZTools::ZMLScriptHost& host);

// Makes the skin package or folder at path the process-wide resource source, so that markup
// files and their imports are read from it. False after printing why not.
bool OpenSkinAsCurrentSource(const char* path);
