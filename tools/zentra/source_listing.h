// `zentra list`: the linked program's code with each function's name as a label and, before the
// instructions of each source line, that line's file, number and text.
#pragma once

#include <string>

#include "zilapi.h"

namespace ZTools {

// Lists the code of ps to standard output. The script's own text is mainText (compiled under the
// name mainFile); other files named by the line table (imports) are read as the compiler read
// them, by their names.
void ListCodeWithSource(ZILState* ps, const std::string& mainFile, const std::string& mainText);

}  // namespace ZTools
