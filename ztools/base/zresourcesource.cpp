// Opening a skin source (package or folder) and the files in it, and the process-wide source.
#include "ztools/base/zresourcesource.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "ztools/base/zresourcename.h"

namespace ZTools {
namespace {

std::unique_ptr<ZResourceSource> g_source;  // the process-wide source

ZString WithSlashes(std::string_view text) {
  ZString result(text);
  result.ReplaceAll("\\", "/");
  return result;
}

void SetReason(ZString* whyNot, const char* reason) {
  if (whyNot)
    *whyNot = reason;
}

// The entry of folder whose name equals part without regard to case ("" when none). With
// several, the first in byte order wins, so the choice does not depend on the file system.
ZString FindNoCase(const ZString& folder, std::string_view part) {
  ZString found;
  DIR* dir = opendir(folder.IsEmpty() ? "." : folder.CStr());
  if (!dir)
    return found;
  while (dirent* entry = readdir(dir)) {
    std::string_view name(entry->d_name);
    if (ZEqualsNoCase(name, part) && (found.IsEmpty() || name < found.View()))
      found = name;
  }
  closedir(dir);
  return found;
}

// The real path of text, or "" when it does not exist.
ZString RealPath(const ZString& text) {
  char* resolved = realpath(text.IsEmpty() ? "." : text.CStr(), nullptr);
  if (!resolved)
    return ZString();
  ZString result(resolved);
  free(resolved);
  return result;
}

// A regular file opened for binary reading (a folder would open, but reads nothing).
std::unique_ptr<ZResourceFile> OpenDiskFile(const ZString& path) {
  FILE* disk = fopen(path.CStr(), "rb");
  if (!disk)
    return nullptr;
  struct stat info;
  if (fstat(fileno(disk), &info) != 0 || !S_ISREG(info.st_mode)) {
    fclose(disk);
    return nullptr;
  }
  return std::make_unique<ZResourceFile>(disk);
}

// realFile lies below realRoot (both real paths, "" when they do not exist).
bool IsInside(const ZString& realFile, const ZString& realRoot) {
  if (realFile.IsEmpty() || realRoot.IsEmpty())
    return false;
  return realFile.StartsWith(realRoot.EndsWith("/") ? realRoot : realRoot + "/");
}

}  // namespace

ZResourceSource::~ZResourceSource() = default;

std::unique_ptr<ZResourceSource> ZResourceSource::Open(const char* name, const char* folder) {
  ZString base = WithSlashes(ZString::ViewOf(folder));
  if (!base.IsEmpty() && !base.EndsWith("/"))
    base.Append('/');
  if (name) {
    ZString packagePath = base + WithSlashes(name) + ".zpac";
    if (OpenDiskFile(packagePath))
      return OpenPackage(packagePath.CStr());
  }
  return OpenFolder((base + WithSlashes(ZString::ViewOf(name))).CStr());
}

std::unique_ptr<ZResourceSource> ZResourceSource::OpenPackage(const char* path, ZString* whyNot,
                                                              const ZResourcePackageLimits& limits) {
  ZString file = WithSlashes(ZString::ViewOf(path));
  auto package = ZResourcePackage::Open(file.CStr(), whyNot, limits);
  if (!package)
    return nullptr;
  std::unique_ptr<ZResourceSource> source(new ZResourceSource());
  size_t slash = file.FindLast('/');
  if (slash != ZString::npos)
    source->root_ = file.Left(slash + 1);
  source->package_ = std::move(package);
  return source;
}

std::unique_ptr<ZResourceSource> ZResourceSource::OpenFolder(const char* path) {
  std::unique_ptr<ZResourceSource> source(new ZResourceSource());
  source->root_ = WithSlashes(ZString::ViewOf(path));
  if (!source->root_.IsEmpty() && !source->root_.EndsWith("/"))
    source->root_.Append('/');
  return source;
}

std::unique_ptr<ZResourceFile> ZResourceSource::OpenFile(std::string_view relativeName, ZString* whyNot) {
  if (!package_)
    return OpenFromFolder(relativeName, whyNot);
  ptrdiff_t index = package_->Find(relativeName);
  if (index < 0) {
    SetReason(whyNot, "no such file in the package");
    return nullptr;
  }
  std::vector<unsigned char> bytes;
  if (!package_->Extract(static_cast<size_t>(index), bytes, whyNot))
    return nullptr;
  try {
    return std::make_unique<ZResourceFile>(std::move(bytes));
  } catch (const std::bad_alloc&) {
    SetReason(whyNot, "out of memory");
    return nullptr;
  }
}

// Each part of the name is taken with its exact case when that exists, else the folder's
// entry that matches it without regard to case. The file found must really lie inside the
// root: a symbolic link that leads out of the skin is refused like "..".
std::unique_ptr<ZResourceFile> ZResourceSource::OpenFromFolder(std::string_view relativeName, ZString* whyNot) {
  ZString canonical;
  if (!ZResourceCanonicalName(relativeName, canonical)) {
    SetReason(whyNot, "the name leaves the skin's folder");
    return nullptr;
  }
  ZString path = root_;
  size_t start = 0;
  while (start <= canonical.Length()) {
    size_t end = canonical.Find('/', start);
    if (end == ZString::npos)
      end = canonical.Length();
    ZString part = canonical.Substring(start, end - start);
    ZString exact = path + part;
    struct stat info;
    if (lstat(exact.CStr(), &info) != 0) {
      ZString other = FindNoCase(path, part);
      if (other.IsEmpty()) {
        SetReason(whyNot, "no such file in the skin's folder");
        return nullptr;
      }
      part = other;
    }
    path += part;
    if (end < canonical.Length())
      path.Append('/');
    start = end + 1;
  }
  if (!IsInside(RealPath(path), RealPath(root_))) {
    SetReason(whyNot, "the name leaves the skin's folder");
    return nullptr;
  }
  auto file = OpenDiskFile(path);
  if (!file)
    SetReason(whyNot, "cannot open the file");
  return file;
}

std::vector<ZResourceListEntry> ZResourceSource::List() const {
  std::vector<ZResourceListEntry> files;
  if (package_) {
    for (const auto& entry : package_->Entries())
      if (!entry.isDirectory)
        files.push_back({entry.name, entry.size});
    return files;
  }
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path root(root_.IsEmpty() ? "." : root_.CStr());
  ZString realRoot = RealPath(root_);
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (!it->is_regular_file(ignored))
      continue;
    if (it->is_symlink(ignored) && !IsInside(RealPath(ZString(it->path().string())), realRoot))
      continue;
    uintmax_t size = it->file_size(ignored);
    files.push_back({ZString(it->path().lexically_relative(root).generic_string()),
                     size == static_cast<uintmax_t>(-1) ? 0 : static_cast<uint64_t>(size)});
  }
  std::sort(files.begin(), files.end(),
            [](const ZResourceListEntry& a, const ZResourceListEntry& b) { return a.name.View() < b.name.View(); });
  return files;
}

ZResourceSource* ZOpenResourceSource(const char* name, const char* folder) {
  g_source.reset();  // the old source is closed first
  g_source = ZResourceSource::Open(name, folder);
  return g_source.get();
}

ZResourceSource* ZSetResourceSource(std::unique_ptr<ZResourceSource> source) {
  g_source.reset();
  g_source = std::move(source);
  return g_source.get();
}

void ZCloseResourceSource() { g_source.reset(); }

ZResourceSource* ZCurrentResourceSource() { return g_source.get(); }

std::unique_ptr<ZResourceFile> ZOpenResourceFile(std::string_view relativeName) {
  return g_source ? g_source->OpenFile(relativeName) : nullptr;
}

std::unique_ptr<ZResourceFile> ZOpenResourceFile(std::string_view name, std::string_view mode) {
  if (mode == "rb" || mode == "rt" || mode == "r")
    return ZOpenResourceFile(name);
  if (mode != "frb" && mode != "frt" && mode != "fr")
    return nullptr;
  return OpenDiskFile(WithSlashes(name));  // text and binary reading are the same here
}

}  // namespace ZTools
