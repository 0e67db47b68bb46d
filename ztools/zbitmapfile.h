// Reading an image file whole into memory for ZBitmap::Load. Relative names are read through
// the resource layer, so the file may come from the skin's folder or package; absolute names
// from the disk. A BMP name that the resource layer does not know is also tried on the disk
// (relative to the current folder), as the platform's image loader would find it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace ZTools {

// Reads the named file. 0; when it is nowhere to be found kZErrNotFound (BMP) or
// kZErrFileOpenFailed (any other file); kZErrFileReadFailed when it cannot be read;
// kZErrOutOfMemory when it is too large to hold.
int32_t ReadBitmapFile(std::string_view name, bool isBMP, std::vector<uint8_t>& bytes);

}  // namespace ZTools
