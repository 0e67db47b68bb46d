// ZPath: a file path as a value made of a folder, a name and an extension, accepting '\' and
// '/' between folders and always built with '/'. ZFolderIterator walks one folder's entries.
// Linux paths have no drive part: an absolute path's folder starts with '/'.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/base/zstring.h"

namespace ZTools {

class ZPath {
 public:
  ZPath() = default;
  explicit ZPath(std::string_view text) { Set(text); }

  // A text naming an existing directory becomes the folder as a whole; otherwise the text
  // after the last separator is the file, and the file's text after its last '.' the extension.
  void Set(std::string_view text);
  // folder + "/" + name + "." + extension, with separators only where the parts exist.
  ZString FullText() const;

  const ZString& Folder() const { return folder_; }
  const ZString& Name() const { return name_; }            // without the extension
  const ZString& Extension() const { return extension_; }  // without the '.'
  ZString FileName() const;                                // name + "." + extension

  // Replaces name and extension; an empty file name leaves only the folder.
  void SetFileName(std::string_view fileName);
  void SetExtension(std::string_view extension);  // a leading '.' is ignored
  // Adds a subfolder below the folder, keeping the file name.
  void AppendFolder(std::string_view subfolder);

  // The path names a regular file that can be opened for reading.
  bool FileExists() const;

 private:
  ZString folder_;  // no trailing '/', except for the root folder "/" itself
  ZString name_;
  ZString extension_;
};

// The entries of one folder, in the order the file system lists them, without "." and "..".
class ZFolderIterator {
 public:
  ZFolderIterator() = default;
  ~ZFolderIterator();
  ZFolderIterator(const ZFolderIterator&) = delete;
  ZFolderIterator& operator=(const ZFolderIterator&) = delete;

  // Starts over on folder and moves to its first entry; false when there is none.
  bool First(const ZPath& folder);
  bool First(std::string_view folder);
  bool Next();  // false when there are no more entries

  const ZString& Name() const { return name_; }
  bool IsDirectory() const { return isDirectory_; }
  uint64_t Size() const { return size_; }
  // The current entry as a path (folder + entry name).
  ZPath Path() const;

 private:
  void* dir_ = nullptr;  // the system's DIR
  ZString folder_;
  ZString name_;
  bool isDirectory_ = false;
  uint64_t size_ = 0;
};

}  // namespace ZTools
