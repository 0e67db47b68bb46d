// Image files for ZBitmap::Load, read whole into memory.
#include "ztools/zbitmapfile.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "ztools/zerror.h"

namespace ZTools {
namespace {

// No image the framework accepts comes near this; a bigger file is refused before reading.
constexpr long kMaxImageFileBytes = 512l * 1024 * 1024;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

int32_t ReadPlainFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return kZErrNotFound;
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return kZErrFileReadFailed;
  long size = std::ftell(f.get());
  if (size < 0) return kZErrFileReadFailed;
  if (size > kMaxImageFileBytes) return kZErrOutOfMemory;
  std::rewind(f.get());
  try {
    bytes.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    return kZErrOutOfMemory;
  }
  if (size > 0 && std::fread(bytes.data(), 1, size_t(size), f.get()) != size_t(size)) return kZErrFileReadFailed;
  return 0;
}

}  // namespace

int32_t ReadBitmapFile(std::string_view name, std::vector<uint8_t>& bytes) {
  bytes.clear();
  return ReadPlainFile(std::string(name), bytes);
}

}  // namespace ZTools
