// "ls" lists a skin's files with their sizes (after checking that every file of a package
// decodes); "cat" writes one file's bytes to standard output.
// Both read through the resource layer, so they see a skin exactly as the player does.
#include "tools/sonabel-skin/filecommands.h"

#include <cstdio>
#include <vector>

#include "tools/sonabel-skin/skinsource.h"

namespace {

// Decodes every file of a package once (one pass for a solid package), so that "ls" fails on
// damaged data as the player would, not only on a damaged directory.
bool CheckPackageData(ZTools::ZResourceSource& source, const char* sourceName) {
  ZTools::ZResourcePackage* package = source.Package();
  if (!package)
    return true;
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i < package->Entries().size(); ++i) {
    const auto& entry = package->Entries()[i];
    if (entry.isDirectory)
      continue;
    ZTools::ZString why;
    if (!package->Extract(i, bytes, &why)) {
      PrintError("%s: %s cannot be read (%s)", sourceName, entry.name.CStr(), why.CStr());
      return false;
    }
  }
  return true;
}

}  // namespace

int RunListCommand(int argc, char** argv) {
  if (argc != 1) {
    PrintError("usage: sonabel-skin ls SOURCE");
    return 2;
  }
  auto source = OpenSkinSource(argv[0]);
  if (!source)
    return 1;
  if (!CheckPackageData(*source, argv[0]))
    return 1;
  for (const auto& file : source->List())
    std::printf("%10llu  %s\n", static_cast<unsigned long long>(file.size), file.name.CStr());
  if (std::fflush(stdout) != 0) {
    PrintError("cannot write the list");
    return 1;
  }
  return 0;
}

int RunCatCommand(int argc, char** argv) {
  if (argc != 2) {
    PrintError("usage: sonabel-skin cat SOURCE NAME");
    return 2;
  }
  auto source = OpenSkinSource(argv[0]);
  if (!source)
    return 1;
  ZTools::ZString why;
  auto file = source->OpenFile(argv[1], &why);
  if (!file) {
    PrintError("%s: cannot open %s (%s)", argv[0], argv[1], why.CStr());
    return 1;
  }
  std::vector<unsigned char> buffer(64 * 1024);
  for (;;) {
    size_t got = file->Read(1, buffer.size(), buffer.data());
    if (got == 0)
      break;
    if (std::fwrite(buffer.data(), 1, got, stdout) != got) {
      PrintError("cannot write %s", argv[1]);
      return 1;
    }
  }
  if (std::fflush(stdout) != 0) {
    PrintError("cannot write %s", argv[1]);
    return 1;
  }
  return 0;
}
