// ZResourcePackage: a skin package (".zpac", a 7z archive) read with libarchive: its directory
// (name, size, directory flag of every entry) and the extraction of one entry. Decoded entries
// are kept in a cache so that the files of one solid block are decoded once, whatever the
// order in which they are opened (see zresourcepackage.cpp for how passes stand in for blocks).
// Hostile packages are refused cleanly: size limits, damaged data and CRC errors give failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ztools/base/zstring.h"

namespace ZTools {

struct ZResourcePackageEntry {
  ZString name;  // as stored, '/' between folders, no trailing '/'
  uint64_t size = 0;
  bool isDirectory = false;
};

// What a package may cost. The defaults protect against packages that would exhaust memory.
struct ZResourcePackageLimits {
  uint64_t maxEntrySize = uint64_t{256} << 20;  // larger entries are refused
  uint64_t maxTotalSize = uint64_t{1} << 30;    // a package whose entries add up to more is refused
  uint64_t cacheSize = uint64_t{64} << 20;      // decoded bytes kept for later opens
  size_t maxEntries = 100000;
};

class ZResourcePackage {
 public:
  // Reads the directory of the package at path. Null when the file cannot be opened, is not a
  // 7z archive, its directory is damaged, or it exceeds the limits; whyNot (if given) then
  // receives a one-line reason.
  static std::unique_ptr<ZResourcePackage> Open(const char* path, ZString* whyNot = nullptr,
                                                const ZResourcePackageLimits& limits = {});
  ~ZResourcePackage();
  ZResourcePackage(const ZResourcePackage&) = delete;
  ZResourcePackage& operator=(const ZResourcePackage&) = delete;

  const std::vector<ZResourcePackageEntry>& Entries() const { return entries_; }

  // The index of the first file entry (not a directory), in archive order, whose canonical name
  // equals name's canonical form without regard to case; -1 when there is none.
  ptrdiff_t Find(std::string_view name) const;

  // Decodes entry index into out. False (out emptied, whyNot set) for a directory, an entry
  // over the size limit, damaged data, a CRC mismatch or a lack of memory.
  bool Extract(size_t index, std::vector<unsigned char>& out, ZString* whyNot = nullptr);

  // How many times decoding started afresh from the beginning of the archive. Several files of
  // one solid block opened in turn cost one such decode.
  uint32_t DecodeCount() const { return decodeCount_; }

 private:
  struct Pass;
  ZResourcePackage(int fd, uint64_t fileSize, const ZResourcePackageLimits& limits);
  bool ReadDirectory(ZString* whyNot);
  bool StartPass(ZString* whyNot);
  bool AdvanceTo(size_t index, bool cacheOnTheWay, ZString* whyNot);
  bool ReadThrough(size_t index, bool cacheOnTheWay, std::vector<unsigned char>& out, ZString* whyNot);
  uint64_t BytesBetween(size_t from, size_t to) const;

  int fd_;
  uint64_t fileSize_;
  ZResourcePackageLimits limits_;
  std::vector<ZResourcePackageEntry> entries_;
  std::vector<uint64_t> bytesBefore_;  // [i] = sizes of entries 0..i-1 added up; one more than entries_
  std::unordered_map<ZString, size_t, ZStringHashNoCase, ZStringEqualNoCase> index_;
  std::unique_ptr<Pass> pass_;                                    // the reader of the current forward pass, if any
  std::unordered_map<size_t, std::vector<unsigned char>> cache_;  // entry index -> bytes
  uint64_t cachedBytes_ = 0;
  uint32_t decodeCount_ = 0;
};

}  // namespace ZTools
