// Markup files through the resource layer: reading one file whole, naming it for the import
// stack, and listing the markup files of a folder for <import path='...' depth='n'/>.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ztools/base/zstring.h"

namespace ZTools {

// The identity of a markup file for the import stack (its canonical resource name, in lower
// case because folder skins match names without regard to case). False for an unusable name.
bool ZMLMarkupFileKey(std::string_view name, ZString& key);

// Reads the file whole through the resource layer. 0 or the resource layer's code.
int32_t ZMLReadMarkupFile(std::string_view name, ZString& text);

// Lists the files with the extension "zml" in folder, and, while the folder level (0 for folder
// itself) is below depth, those of its subfolders, in name order, files of a folder before its
// subfolders. 0 or the resource layer's code.
int32_t ZMLListMarkupFiles(std::string_view folder, int32_t depth, std::vector<ZString>& files);

}  // namespace ZTools
