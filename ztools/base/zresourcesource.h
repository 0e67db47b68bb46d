// The resource source: where a skin's files come from, either a package (".zpac", a 7z
// archive) or a folder of loose files. Every skin file is opened by a relative name through
// the one process-wide source, so the rest of the program never knows which of the two it is.
// Names may separate folders with '\' or '/'; a name that would climb out of the skin's root
// is refused. In a folder, a name that does not exist with its exact case is looked up again
// without regard to case, as in a package.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ztools/base/zresourcefile.h"
#include "ztools/base/zresourcepackage.h"
#include "ztools/base/zstring.h"

namespace ZTools {

struct ZResourceListEntry {
  ZString name;  // relative to the root, '/' between folders
  uint64_t size = 0;
};

class ZResourceSource {
 public:
  // The package folder/name.zpac when that file opens (archive mode), else the folder
  // folder/name/ (folder mode; with no name, the folder itself). An empty folder means the
  // current directory. Null when the package exists but cannot be read.
  static std::unique_ptr<ZResourceSource> Open(const char* name, const char* folder);
  // One package file; null (and a one-line reason) when it is missing or unreadable.
  static std::unique_ptr<ZResourceSource> OpenPackage(const char* path, ZString* whyNot = nullptr,
                                                      const ZResourcePackageLimits& limits = {});
  // A folder of loose files (it need not exist yet; opening files then fails).
  static std::unique_ptr<ZResourceSource> OpenFolder(const char* path);
  ~ZResourceSource();

  bool IsArchive() const { return package_ != nullptr; }
  // Archive mode: the folder the package lies in; folder mode: the skin folder. Ends with '/'
  // unless empty (the current directory).
  const ZString& Root() const { return root_; }
  ZResourcePackage* Package() { return package_.get(); }

  // Opens a relative name for binary reading; null when there is no such file or it cannot be
  // read. Archive mode never falls back to the disk.
  std::unique_ptr<ZResourceFile> OpenFile(std::string_view relativeName, ZString* whyNot = nullptr);

  // The files of the source: archive order for a package, sorted by name for a folder.
  std::vector<ZResourceListEntry> List() const;

 private:
  ZResourceSource() = default;
  std::unique_ptr<ZResourceFile> OpenFromFolder(std::string_view relativeName, ZString* whyNot);

  ZString root_;
  std::unique_ptr<ZResourcePackage> package_;
};

// The process-wide source. Opening replaces (and closes) the current one; when the new one
// cannot be opened there is none afterwards, and every file open fails until another opens.
// Files already opened stay readable. The layer is used from the program's one UI thread.
ZResourceSource* ZOpenResourceSource(const char* name, const char* folder);
// Makes an already opened source (for example from OpenPackage) the process-wide one, closing
// the previous one; null leaves none. Answers the new current source.
ZResourceSource* ZSetResourceSource(std::unique_ptr<ZResourceSource> source);
void ZCloseResourceSource();
ZResourceSource* ZCurrentResourceSource();

// Opens a file of the current source for binary reading; null without a source.
std::unique_ptr<ZResourceFile> ZOpenResourceFile(std::string_view relativeName);
// The general form: modes "rb", "rt" and "r" read through the current source; "frb", "frt" and
// "fr" always read the named file from disk. Any other mode gives null.
std::unique_ptr<ZResourceFile> ZOpenResourceFile(std::string_view name, std::string_view mode);

}  // namespace ZTools
