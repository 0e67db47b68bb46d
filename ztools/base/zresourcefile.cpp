// Reading, seeking and measuring an open resource file, in memory or on disk.
#include "ztools/base/zresourcefile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace ZTools {
namespace {

// elementSize * count, saturated instead of wrapping.
size_t RequestedBytes(size_t elementSize, size_t count) {
  size_t bytes;
  return __builtin_mul_overflow(elementSize, count, &bytes) ? SIZE_MAX : bytes;
}

}  // namespace

ZResourceFile::ZResourceFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

ZResourceFile::ZResourceFile(FILE* disk) : disk_(disk) {}

ZResourceFile::~ZResourceFile() {
  if (disk_)
    fclose(disk_);
}

size_t ZResourceFile::Read(size_t elementSize, size_t count, void* destination) {
  if (elementSize == 0 || count == 0)
    return 0;
  size_t wanted = RequestedBytes(elementSize, count);
  if (disk_) {
    if (destination)
      return fread(destination, elementSize, count, disk_);
    int64_t here = Tell(), length = Length();
    if (here < 0 || length < 0)
      return 0;
    size_t bytes = std::min<uint64_t>(wanted, here < length ? uint64_t(length - here) : 0);
    if (fseeko(disk_, static_cast<off_t>(bytes), SEEK_CUR) != 0)
      return 0;
    if (bytes < wanted) {  // met the end, as a read would have
      int c = fgetc(disk_);
      if (c != EOF)
        ungetc(c, disk_);
    }
    return bytes / elementSize;
  }
  size_t bytes = std::min(wanted, bytes_.size() - position_);
  if (destination && bytes)
    std::memcpy(destination, bytes_.data() + position_, bytes);
  position_ += bytes;
  return bytes / elementSize;
}

bool ZResourceFile::Seek(int64_t offset, int origin) {
  if (disk_)
    return fseeko(disk_, static_cast<off_t>(offset), origin) == 0;
  int64_t size = static_cast<int64_t>(bytes_.size());
  int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? static_cast<int64_t>(position_) : size;
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END)
    return false;
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target))
    target = offset < 0 ? 0 : size;
  position_ = static_cast<size_t>(std::clamp<int64_t>(target, 0, size));
  return true;
}

int64_t ZResourceFile::Tell() const {
  return disk_ ? static_cast<int64_t>(ftello(disk_)) : static_cast<int64_t>(position_);
}

int64_t ZResourceFile::Length() const {
  if (!disk_)
    return static_cast<int64_t>(bytes_.size());
  struct stat info;
  if (fstat(fileno(disk_), &info) != 0)
    return -1;
  return static_cast<int64_t>(info.st_size);
}

bool ZResourceFile::AtEnd() const { return disk_ ? feof(disk_) != 0 : position_ >= bytes_.size(); }

}  // namespace ZTools
