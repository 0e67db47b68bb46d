// Image files for ZBitmap::Load, read whole into memory through the resource layer.
#include "ztools/zbitmapfile.h"

#include <cstdio>
#include <new>

#include "ztools/base/zerror.h"
#include "ztools/base/zresourcesource.h"

namespace ZTools {
namespace {

// No image the framework accepts comes near this; a bigger file is refused before reading.
constexpr int64_t kMaxImageFileBytes = 512ll * 1024 * 1024;

}  // namespace

int32_t ReadBitmapFile(std::string_view name, bool isBMP, std::vector<uint8_t>& bytes) {
  bytes.clear();
  const bool absolute = !name.empty() && (name.front() == '/' || name.front() == '\\');
  std::unique_ptr<ZResourceFile> file = ZOpenResourceFile(name, absolute ? "frb" : "rb");
  if (!file && isBMP && !absolute)
    file = ZOpenResourceFile(name, "frb");
  if (!file)
    return isBMP ? kZErrNotFound : kZErrFileOpenFailed;
  int64_t length = file->Length();
  if (length < 0)
    return kZErrFileReadFailed;
  if (length > kMaxImageFileBytes)
    return kZErrOutOfMemory;
  try {
    bytes.resize(size_t(length));
  } catch (const std::bad_alloc&) {
    return kZErrOutOfMemory;
  }
  if (length > 0 && file->Read(1, size_t(length), bytes.data()) != size_t(length)) {
    bytes.clear();
    return kZErrFileReadFailed;
  }
  return 0;
}

}  // namespace ZTools
