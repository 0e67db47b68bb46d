// Opening the skin named on sonabel-skin's command line, and its error line.
#include "tools/sonabel-skin/skinsource.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>

void PrintError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::fputs("sonabel-skin: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
}

std::unique_ptr<ZTools::ZResourceSource> OpenSkinSource(const char* source) {
  struct stat info;
  if (stat(source, &info) != 0) {
    PrintError("%s: no such skin package or folder", source);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode))
    return ZTools::ZResourceSource::OpenFolder(source);
  ZTools::ZString why;
  auto package = ZTools::ZResourceSource::OpenPackage(source, &why);
  if (!package)
    PrintError("%s: not a readable skin package (%s)", source, why.CStr());
  return package;
}
