// "ls" lists a skin's files with their sizes; "cat" writes one file's bytes to standard output.
// Both read through the resource layer, so they see a skin exactly as the player does.
#include "tools/sonabel-skin/filecommands.h"

#include <cstdio>
#include <vector>

#include "tools/sonabel-skin/skinsource.h"

int RunListCommand(int argc, char** argv) {
  if (argc != 1) {
    PrintError("usage: sonabel-skin ls SOURCE");
    return 2;
  }
  auto source = OpenSkinSource(argv[0]);
  if (!source) return 1;
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
  if (!source) return 1;
  ZTools::ZString why;
  auto file = source->OpenFile(argv[1], &why);
  if (!file) {
    PrintError("%s: cannot open %s (%s)", argv[0], argv[1], why.CStr());
    return 1;
  }
  std::vector<unsigned char> buffer(64 * 1024);
  for (;;) {
    size_t got = file->Read(1, buffer.size(), buffer.data());
    if (got == 0) break;
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
