// How sonabel-skin opens the SOURCE argument: a folder is a skin folder, a file must be a
// readable skin package. Failures are reported on standard error in one line.
#pragma once

#include <memory>

#include "ztools/base/zresourcesource.h"

// The source, or null after printing "sonabel-skin: SOURCE: reason".
std::unique_ptr<ZTools::ZResourceSource> OpenSkinSource(const char* source);

// Prints "sonabel-skin: " + the formatted message + a line end on standard error.
void PrintError(const char* format, ...) __attribute__((format(printf, 1, 2)));
