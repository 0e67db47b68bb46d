// libFuzzer target for the skin package reader: every input is opened as a package (from
// memory, through an anonymous in-memory file) and every file in it is found by name and read,
// first in archive order and then backwards, which makes the reader start new passes and use
// its cache. Limits are small so that a package claiming huge files stays cheap. The CRCs of
// the archive's start header and header are made right first (libarchive is not instrumented,
// so the fuzzer cannot learn them), letting mutated headers reach the reader.
// fuzz-links: ztools
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ztools/base/zresourcepackage.h"

namespace {

// The signature header: 6 bytes signature, 2 version, the CRC of the next 20 bytes, then the
// header's offset (from byte 32) and size and the header's CRC, little-endian.
void FixHeaderCrcs(std::vector<uint8_t>& archive) {
  if (archive.size() < 32)
    return;
  auto get = [&](size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
      v = v << 8 | archive[at + size_t(i)];
    return v;
  };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      archive[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  uint64_t offset = get(12, 8), length = get(20, 8);
  if (offset <= archive.size() - 32 && length <= archive.size() - 32 - offset)
    put32(28, uint32_t(crc32(0, archive.data() + 32 + offset, uInt(length))));
  put32(8, uint32_t(crc32(0, archive.data() + 12, 20)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> archive(data, data + size);
  FixHeaderCrcs(archive);
  int fd = memfd_create("fuzz.zpac", MFD_CLOEXEC);
  if (fd < 0)
    std::abort();
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, archive.data() + done, size - done);
    if (n <= 0)
      std::abort();
    done += size_t(n);
  }
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

  ZTools::ZResourcePackageLimits limits;
  limits.maxEntrySize = 8 << 20;
  limits.maxTotalSize = 32 << 20;
  limits.cacheSize = 4 << 20;
  limits.maxEntries = 4096;
  ZTools::ZString whyNot;
  auto package = ZTools::ZResourcePackage::Open(path, &whyNot, limits);
  close(fd);
  if (!package) {
    if (whyNot.IsEmpty())
      std::abort();  // a refusal always says why
    return 0;
  }
  const auto& entries = package->Entries();
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i < entries.size(); ++i) {
    package->Find(entries[i].name.View());
    if (package->Extract(i, bytes) && bytes.size() != entries[i].size)
      std::abort();
  }
  for (size_t i = entries.size(); i-- > 0;) {
    if (package->Extract(i, bytes) && bytes.size() != entries[i].size)
      std::abort();
  }
  return 0;
}
