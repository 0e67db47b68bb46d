// libFuzzer target for the skin package reader: every input is opened as a package (from
// memory, through an anonymous in-memory file) and every file in it is found by name and read,
// first in archive order and then backwards, which makes the reader start new passes and use
// its cache. Limits are small so that a package claiming huge files stays cheap.
// fuzz-links: ztools
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ztools/zresourcepackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = memfd_create("fuzz.zpac", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) std::abort();
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
    if (whyNot.IsEmpty()) std::abort();  // a refusal always says why
    return 0;
  }
  const auto& entries = package->Entries();
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i < entries.size(); ++i) {
    package->Find(entries[i].name.View());
    if (package->Extract(i, bytes) && bytes.size() != entries[i].size) std::abort();
  }
  for (size_t i = entries.size(); i-- > 0;) {
    if (package->Extract(i, bytes) && bytes.size() != entries[i].size) std::abort();
  }
  return 0;
}
