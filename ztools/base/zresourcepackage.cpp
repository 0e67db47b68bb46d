// Skin packages read with libarchive's 7z reader.
//
// The solid-block cache. A 7z archive groups its files into solid blocks ("folders"); a file
// in the middle of a block can only be had by decoding the block from its start. libarchive
// reads 7z strictly forward and does not say which block an entry belongs to (the block table
// sits in the archive's usually LZMA-compressed header, which only libarchive decodes). So the
// unit we cache is a forward *pass* of one reader over the archive instead of a single block:
//  - a pass reads entries in archive order; every file it decodes on the way to the requested
//    one is kept (up to limits_.cacheSize bytes), so the other files of the same block, before
//    or after the requested one, never need a second decode;
//  - a request for a later entry continues the current pass (the reader is already inside the
//    block, or past it, so nothing is decoded twice);
//  - only a request for an entry that is neither cached nor ahead of the reader starts a new
//    pass (DecodeCount() counts them); the cache then starts over, as a block cache would.
// For a typical skin (a few megabytes, one solid block) the whole package is decoded exactly
// once. When the files before the requested one exceed the cache size, a new pass skips them
// with libarchive's listing mode, which jumps to the requested entry's block without decoding
// the blocks before it, and a pass does not continue across more than the cache size.
//
// The package file stays open for the package's lifetime; every pass reads it with pread()
// through its own offset, so a pass never disturbs another reader of the file.
#include "ztools/base/zresourcepackage.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "ztools/base/zresourcename.h"

namespace ZTools {
namespace {

// The input of one libarchive reader: the package file read at an offset of its own.
struct PackageInput {
  int fd = -1;
  int64_t size = 0;
  int64_t offset = 0;
  unsigned char buffer[64 * 1024];
};

la_ssize_t ReadInput(archive* a, void* data, const void** block) {
  auto* in = static_cast<PackageInput*>(data);
  *block = in->buffer;
  if (in->offset >= in->size)
    return 0;
  for (;;) {
    ssize_t n = pread(in->fd, in->buffer, sizeof in->buffer, in->offset);
    if (n >= 0) {
      in->offset += n;
      return n;
    }
    if (errno != EINTR) {
      archive_set_error(a, errno, "cannot read the package file");
      return -1;
    }
  }
}

la_int64_t SeekInput(archive*, void* data, la_int64_t offset, int whence) {
  auto* in = static_cast<PackageInput*>(data);
  int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? in->offset : in->size;
  if (offset < -base || offset > INT64_MAX - base)
    return ARCHIVE_FATAL;
  in->offset = base + offset;
  return in->offset;
}

la_int64_t SkipInput(archive*, void* data, la_int64_t request) {
  auto* in = static_cast<PackageInput*>(data);
  if (request <= 0 || in->offset >= in->size)
    return 0;
  int64_t skipped = std::min<int64_t>(request, in->size - in->offset);
  in->offset += skipped;
  return skipped;
}

// 7z stores names in UTF-16; libarchive converts them to the charset of the current locale,
// which in the "C" locale would lose every non-ASCII name. Names are UTF-8 throughout this
// program, so this thread reads packages under a UTF-8 character type while the guard lives.
class Utf8Names {
 public:
  Utf8Names() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
    if (utf8_)
      previous_ = uselocale(utf8_);
  }
  ~Utf8Names() {
    if (!utf8_)
      return;
    uselocale(previous_);
    freelocale(utf8_);
  }
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t utf8_;
  locale_t previous_ = static_cast<locale_t>(0);
};

struct ArchiveFree {
  void operator()(archive* a) const { archive_read_free(a); }
};

ZString ArchiveReason(archive* a, const char* fallback) {
  const char* text = archive_error_string(a);
  return ZString(text && *text ? text : fallback);
}

void SetReason(ZString* whyNot, const ZString& reason) {
  if (whyNot)
    *whyNot = reason;
}

// Reads the current entry's data, exactly size bytes, and checks that nothing follows; the
// last read is where libarchive reports a CRC mismatch.
bool ReadEntryData(archive* a, uint64_t size, std::vector<unsigned char>& out, ZString* whyNot) {
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    out = {};
    SetReason(whyNot, "out of memory");
    return false;
  }
  uint64_t got = 0;
  for (;;) {
    unsigned char spare[1];
    unsigned char* into = got < size ? out.data() + got : spare;
    size_t room = got < size ? size - got : sizeof spare;
    la_ssize_t n = archive_read_data(a, into, room);
    if (n < 0) {
      SetReason(whyNot, ArchiveReason(a, "damaged package data"));
      break;
    }
    if (n == 0) {
      if (got == size)
        return true;
      SetReason(whyNot, "package data ends early");
      break;
    }
    if (got == size) {
      SetReason(whyNot, "package entry is longer than its directory says");
      break;
    }
    got += static_cast<uint64_t>(n);
  }
  out = {};
  return false;
}

}  // namespace

// One forward pass: a reader and the index of the entry whose header it reads next.
// The input is declared first so that it outlives the reader using it.
struct ZResourcePackage::Pass {
  std::unique_ptr<PackageInput> input;
  std::unique_ptr<archive, ArchiveFree> reader;
  size_t next = 0;
};

ZResourcePackage::ZResourcePackage(int fd, uint64_t fileSize, const ZResourcePackageLimits& limits)
    : fd_(fd), fileSize_(fileSize), limits_(limits) {}

ZResourcePackage::~ZResourcePackage() {
  pass_.reset();
  if (fd_ >= 0)
    close(fd_);
}

std::unique_ptr<ZResourcePackage> ZResourcePackage::Open(const char* path, ZString* whyNot,
                                                         const ZResourcePackageLimits& limits) {
  int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
  if (fd < 0) {
    SetReason(whyNot, "cannot open the file");
    return nullptr;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    SetReason(whyNot, "not a regular file");
    return nullptr;
  }
  std::unique_ptr<ZResourcePackage> package(new ZResourcePackage(fd, static_cast<uint64_t>(info.st_size), limits));
  try {
    if (!package->ReadDirectory(whyNot))
      return nullptr;
  } catch (const std::bad_alloc&) {
    SetReason(whyNot, "out of memory");
    return nullptr;
  }
  return package;
}

bool ZResourcePackage::StartPass(ZString* whyNot) {
  pass_.reset();
  auto pass = std::make_unique<Pass>();
  pass->input = std::make_unique<PackageInput>();
  pass->input->fd = fd_;
  pass->input->size = static_cast<int64_t>(fileSize_);
  pass->reader.reset(archive_read_new());
  archive* a = pass->reader.get();
  if (!a) {
    SetReason(whyNot, "out of memory");
    return false;
  }
  // Only 7z, and no outer compression filters: a package is a plain 7z file.
  if (archive_read_support_format_7zip(a) != ARCHIVE_OK || archive_read_set_read_callback(a, ReadInput) != ARCHIVE_OK ||
      archive_read_set_seek_callback(a, SeekInput) != ARCHIVE_OK ||
      archive_read_set_skip_callback(a, SkipInput) != ARCHIVE_OK ||
      archive_read_set_callback_data(a, pass->input.get()) != ARCHIVE_OK || archive_read_open1(a) != ARCHIVE_OK) {
    SetReason(whyNot, ArchiveReason(a, "not a 7z archive"));
    return false;
  }
  pass_ = std::move(pass);
  return true;
}

bool ZResourcePackage::ReadDirectory(ZString* whyNot) {
  Utf8Names utf8;
  if (!StartPass(whyNot))
    return false;
  archive* a = pass_->reader.get();
  uint64_t total = 0;
  bytesBefore_.assign(1, 0);
  for (;;) {
    archive_entry* header = nullptr;
    int r = archive_read_next_header(a, &header);
    if (r == ARCHIVE_EOF)
      break;
    if (r < ARCHIVE_WARN) {
      SetReason(whyNot, ArchiveReason(a, "damaged package directory"));
      return false;
    }
    if (entries_.size() >= limits_.maxEntries) {
      SetReason(whyNot, ZString::Formatted("package has more than %zu entries", limits_.maxEntries));
      return false;
    }
    ZResourcePackageEntry entry;
    const char* name = archive_entry_pathname_utf8(header);
    if (!name)
      name = archive_entry_pathname(header);
    entry.name = name ? name : "";
    while (entry.name.EndsWith("/"))
      entry.name.Truncate(entry.name.Length() - 1);
    entry.isDirectory = archive_entry_filetype(header) == AE_IFDIR;
    la_int64_t size = archive_entry_size(header);
    entry.size = entry.isDirectory || size < 0 ? 0 : static_cast<uint64_t>(size);
    total += entry.size;  // each size is below 2^63, so the sum of a few cannot wrap unseen
    if (total > limits_.maxTotalSize) {
      SetReason(whyNot, ZString::Formatted("package contents exceed %llu bytes",
                                           static_cast<unsigned long long>(limits_.maxTotalSize)));
      return false;
    }
    ZString canonical;
    if (!entry.isDirectory && ZResourceCanonicalName(entry.name, canonical))
      index_.emplace(std::move(canonical), entries_.size());  // keeps the first of equal names
    entries_.push_back(std::move(entry));
    bytesBefore_.push_back(total);
  }
  pass_.reset();  // a listing pass has decoded nothing worth keeping
  return true;
}

ptrdiff_t ZResourcePackage::Find(std::string_view name) const {
  ZString canonical;
  if (!ZResourceCanonicalName(name, canonical))
    return -1;
  auto it = index_.find(canonical);
  return it == index_.end() ? -1 : static_cast<ptrdiff_t>(it->second);
}

uint64_t ZResourcePackage::BytesBetween(size_t from, size_t to) const {
  to = std::min(to, entries_.size());
  return from < to ? bytesBefore_[to] - bytesBefore_[from] : 0;
}

// Moves the current pass to the header of entry index, reading (and caching) the files on the
// way when cacheOnTheWay is set and the cache has room; others are skipped.
bool ZResourcePackage::AdvanceTo(size_t index, bool cacheOnTheWay, ZString* whyNot) {
  archive* a = pass_->reader.get();
  while (pass_->next <= index) {
    archive_entry* header = nullptr;
    int r = archive_read_next_header(a, &header);
    if (r < ARCHIVE_WARN || r == ARCHIVE_EOF) {
      SetReason(whyNot, ArchiveReason(a, "damaged package directory"));
      return false;
    }
    size_t current = pass_->next++;
    const ZResourcePackageEntry& entry = entries_[current];
    // The file is held open, but another program may rewrite it in place.
    if (!entry.isDirectory && archive_entry_size(header) != static_cast<la_int64_t>(entry.size)) {
      SetReason(whyNot, "package changed while open");
      return false;
    }
    if (current == index)
      return true;
    if (cacheOnTheWay && !entry.isDirectory && entry.size > 0 && !cache_.count(current) &&
        cachedBytes_ + entry.size <= limits_.cacheSize) {
      std::vector<unsigned char> bytes;
      if (!ReadEntryData(a, entry.size, bytes, whyNot))
        return false;
      cachedBytes_ += entry.size;
      cache_.emplace(current, std::move(bytes));
    }
  }
  return true;
}

// Reads entry index with the current pass; on failure the pass is dropped, since the reader's
// position can no longer be trusted.
bool ZResourcePackage::ReadThrough(size_t index, bool cacheOnTheWay, std::vector<unsigned char>& out, ZString* whyNot) {
  std::vector<unsigned char> bytes;
  uint64_t size = entries_[index].size;
  if (!AdvanceTo(index, cacheOnTheWay, whyNot) || !ReadEntryData(pass_->reader.get(), size, bytes, whyNot)) {
    pass_.reset();
    return false;
  }
  if (cachedBytes_ + size <= limits_.cacheSize) {
    out = bytes;
    cachedBytes_ += size;
    cache_.emplace(index, std::move(bytes));
  } else {
    out = std::move(bytes);
  }
  return true;
}

bool ZResourcePackage::Extract(size_t index, std::vector<unsigned char>& out, ZString* whyNot) {
  out.clear();
  if (index >= entries_.size() || entries_[index].isDirectory) {
    SetReason(whyNot, "no such file in the package");
    return false;
  }
  const ZResourcePackageEntry& entry = entries_[index];
  if (entry.size > limits_.maxEntrySize) {
    SetReason(whyNot, ZString::Formatted("file is larger than %llu bytes",
                                         static_cast<unsigned long long>(limits_.maxEntrySize)));
    return false;
  }
  Utf8Names utf8;
  try {
    auto cached = cache_.find(index);
    if (cached != cache_.end()) {
      out = cached->second;
      return true;
    }
    bool continuePass = pass_ && pass_->next <= index && BytesBetween(pass_->next, index) <= limits_.cacheSize;
    if (continuePass && ReadThrough(index, true, out, whyNot))
      return true;
    // A new pass. Far into a large package it jumps to the entry's block instead of decoding
    // everything before it; a damaged file on the way makes it retry the same way, since the
    // requested file may still be whole.
    bool cacheOnTheWay = BytesBetween(0, index) <= limits_.cacheSize;
    for (int attempt = 0; attempt < 2; ++attempt) {
      cache_.clear();
      cachedBytes_ = 0;
      if (!StartPass(whyNot))
        return false;
      ++decodeCount_;
      if (ReadThrough(index, cacheOnTheWay, out, whyNot))
        return true;
      if (!cacheOnTheWay)
        break;
      cacheOnTheWay = false;
    }
    return false;
  } catch (const std::bad_alloc&) {
    out = {};
    pass_.reset();
    SetReason(whyNot, "out of memory");
    return false;
  }
}

}  // namespace ZTools
