// Which skin the player shows: a .zml file or a .zpac package named on the command line (resolved
// against the folder the user started in), else the package stored as the "archive" setting,
// else the default skin "Resources" (package or folder) beside the program, then in the
// installed data folder. A package that does not open is never swapped in: the player falls back
// to the default skin and forgets the "archive" setting, so one bad skin cannot spoil every
// later start.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ztools/base/zresourcesource.h"

namespace ZTools {

struct SkinSelection {
  std::unique_ptr<ZResourceSource> source;  // null when no skin could be opened at all
  std::string file = "main.zml";            // the skin's main markup file inside the source
  std::string description;                  // where the skin came from, for messages
};

struct SkinSearch {
  std::string startFolder;    // the folder the user started the program in
  std::string programFolder;  // the folder of the executable
  std::string dataFolder;     // the installed data folder (<prefix>/share/sonabel)
};

// The skin for the command-line arguments (the first one, when there is one, names the skin).
// Stores "archive" and clears "windowrect" for a package argument; clears "archive" when the
// stored package does not open.
SkinSelection SelectSkin(const std::vector<std::string>& arguments, const SkinSearch& where);

// The default skin alone: "Resources" beside the program, else in the data folder.
std::unique_ptr<ZResourceSource> OpenDefaultSkin(const SkinSearch& where, std::string* description = nullptr);

}  // namespace ZTools
