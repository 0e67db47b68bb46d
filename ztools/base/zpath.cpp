// ZPath parsing and building, and folder iteration with opendir/readdir.
#include "ztools/base/zpath.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

namespace ZTools {
namespace {

ZString WithSlashes(std::string_view text) {
  ZString result(text);
  result.ReplaceAll("\\", "/");
  return result;
}

// Removes trailing '/' but keeps a lone "/".
void TrimSlashes(ZString& folder) {
  while (folder.Length() > 1 && folder.EndsWith("/"))
    folder.Truncate(folder.Length() - 1);
}

bool IsDirectory(const ZString& path) {
  struct stat info;
  return !path.IsEmpty() && stat(path.CStr(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void ZPath::Set(std::string_view text) {
  ZString path = WithSlashes(text);
  name_.Clear();
  extension_.Clear();
  if (IsDirectory(path)) {
    folder_ = path;
    TrimSlashes(folder_);
    return;
  }
  size_t slash = path.FindLast('/');
  if (slash == ZString::npos) {
    folder_.Clear();
    SetFileName(path.View());
    return;
  }
  folder_ = path.Left(slash == 0 ? 1 : slash);
  TrimSlashes(folder_);
  SetFileName(path.View().substr(slash + 1));
}

ZString ZPath::FullText() const {
  ZString text = folder_;
  if (name_.IsEmpty() && extension_.IsEmpty())
    return text;
  if (!text.IsEmpty() && !text.EndsWith("/"))
    text.Append('/');
  text += name_;
  if (!extension_.IsEmpty())
    text.Append('.').Append(extension_);
  return text;
}

ZString ZPath::FileName() const { return extension_.IsEmpty() ? name_ : name_ + "." + extension_; }

void ZPath::SetFileName(std::string_view fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) {
    name_ = fileName;
    extension_.Clear();
  } else {
    name_ = fileName.substr(0, dot);
    extension_ = fileName.substr(dot + 1);
  }
}

void ZPath::SetExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.')
    extension.remove_prefix(1);
  extension_ = extension;
}

void ZPath::AppendFolder(std::string_view subfolder) {
  ZString sub = WithSlashes(subfolder);
  while (sub.StartsWith("/"))
    sub.Remove(0, 1);
  TrimSlashes(sub);
  if (sub.IsEmpty() || sub == "/")
    return;
  if (!folder_.IsEmpty() && !folder_.EndsWith("/"))
    folder_.Append('/');
  folder_ += sub;
}

bool ZPath::FileExists() const {
  FILE* file = fopen(FullText().CStr(), "rb");
  if (!file)
    return false;
  struct stat info;
  bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
  fclose(file);
  return regular;
}

ZFolderIterator::~ZFolderIterator() {
  if (dir_)
    closedir(static_cast<DIR*>(dir_));
}

bool ZFolderIterator::First(const ZPath& folder) { return First(folder.FullText().View()); }

bool ZFolderIterator::First(std::string_view folder) {
  if (dir_)
    closedir(static_cast<DIR*>(dir_));
  folder_ = WithSlashes(folder);
  TrimSlashes(folder_);
  dir_ = opendir(folder_.IsEmpty() ? "." : folder_.CStr());
  return Next();
}

bool ZFolderIterator::Next() {
  if (!dir_)
    return false;
  DIR* dir = static_cast<DIR*>(dir_);
  while (dirent* entry = readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name == "." || name == "..")
      continue;
    name_ = name;
    struct stat info;
    if (fstatat(dirfd(dir), entry->d_name, &info, 0) == 0) {
      isDirectory_ = S_ISDIR(info.st_mode);
      size_ = isDirectory_ ? 0 : static_cast<uint64_t>(info.st_size);
    } else {  // a dangling link, or gone meanwhile
      isDirectory_ = false;
      size_ = 0;
    }
    return true;
  }
  closedir(dir);
  dir_ = nullptr;
  return false;
}

ZPath ZFolderIterator::Path() const {
  ZPath path(folder_.View());
  path.SetFileName(name_.View());
  return path;
}

}  // namespace ZTools
