// ZResourceFile: one file opened through the resource layer, for binary reading. A file from a
// package holds its own copy of the bytes; a file from a skin folder holds its own disk
// handle. Either stays readable after its source has been closed or replaced.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace ZTools {

class ZResourceFile {
 public:
  explicit ZResourceFile(std::vector<unsigned char> bytes);  // in memory
  explicit ZResourceFile(FILE* disk);                        // takes ownership
  ~ZResourceFile();
  ZResourceFile(const ZResourceFile&) = delete;
  ZResourceFile& operator=(const ZResourceFile&) = delete;

  bool IsOnDisk() const { return disk_ != nullptr; }

  // Reads up to elementSize * count bytes (skips them when destination is null) and answers
  // the number of whole elements read. The position advances by every byte read, so a partial
  // last element is consumed but not counted.
  size_t Read(size_t elementSize, size_t count, void* destination);

  // origin is SEEK_SET, SEEK_CUR or SEEK_END. In memory the position is clamped to 0..Length();
  // on disk it behaves as fseek. Answers false when the position could not be set.
  bool Seek(int64_t offset, int origin);
  int64_t Tell() const;
  int64_t Length() const;
  // In memory: the position is at the end. On disk: a read has met the end (as feof).
  bool AtEnd() const;

 private:
  std::vector<unsigned char> bytes_;
  size_t position_ = 0;
  FILE* disk_ = nullptr;
};

}  // namespace ZTools
