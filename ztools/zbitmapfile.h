// Reading an image file whole into memory for ZBitmap::Load: through the resource layer, so the
// file may come from the skin's folder or package, and for BMP names also from the file system
// (as the platform's image loader would find them).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace ZTools {

// Reads the named file. 0, -6 when it is nowhere to be found, -9 when it cannot be read, -3 when
// it is too large to hold.
int32_t ReadBitmapFile(std::string_view name, std::vector<uint8_t>& bytes);

}  // namespace ZTools
