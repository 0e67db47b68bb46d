// ZFile: disk files through the C library's streams.
#include "ztools/base/zfile.h"

#include <sys/stat.h>

#include "ztools/base/zerror.h"

namespace ZTools {

ZFile::~ZFile() {
  if (file_)
    fclose(file_);
}

int64_t ZFile::Length() {
  if (!file_)
    return 0;
  if (writable_)
    fflush(file_);  // so that written bytes count
  struct stat info;
  return fstat(fileno(file_), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

int64_t ZFile::Position() { return file_ ? static_cast<int64_t>(ftello(file_)) : 0; }

int64_t ZFile::Seek(int64_t position) {
  if (!file_)
    return 0;
  fseeko(file_, static_cast<off_t>(position < 0 ? 0 : position), SEEK_SET);
  return Position();
}

int64_t ZFile::Write(const void* buffer, int64_t count) {
  if (!file_ || !buffer || count <= 0)
    return 0;
  return static_cast<int64_t>(fwrite(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t ZFile::Read(void* buffer, int64_t count) {
  if (!file_ || !buffer || count <= 0)
    return 0;
  return static_cast<int64_t>(fread(buffer, 1, static_cast<size_t>(count), file_));
}

int32_t ZFile::Open(std::string_view path, int32_t mode, bool /*binary*/) {
  static const char* const kModes[] = {"rb", "wb", "ab", "r+b", "w+b", "a+b"};
  try {
    if (IsOpen())
      throw ZError(kZErrFileAlreadyOpen);
    if (mode < kZFileRead || mode > kZFileAppendUpdate)
      throw ZError(kZErrIllegalParameter);
    ZString name(path);
    name.ReplaceAll("\\", "/");
    file_ = fopen(name.CStr(), kModes[mode]);
    if (!file_)
      throw ZError(kZErrFileOpenFailed);
    writable_ = mode != kZFileRead;
    return 0;
  } catch (const ZError& error) {
    return error.Code();
  }
}

int32_t ZFile::Close() {
  try {
    if (!file_)
      throw ZError(kZErrFileNotOpen);
    FILE* file = file_;
    file_ = nullptr;
    if (fclose(file) != 0)
      throw ZError(kZErrFileCloseFailed);
    return 0;
  } catch (const ZError& error) {
    return error.Code();
  }
}

// Byte by byte through Read, so that every stream derived from ZFile reads lines alike.
int32_t ZFile::ReadText(ZString& text) {
  text.Clear();
  try {
    if (!IsOpen())
      throw ZError(kZErrFileNotOpen);
    char c;
    for (;;) {
      if (Read(&c, 1) != 1)
        throw ZError(kZErrFileReadFailed);
      if (c == '\n')
        break;
      text.Append(c);
    }
    if (text.EndsWith("\r"))
      text.Truncate(text.Length() - 1);
    return 0;
  } catch (const ZError& error) {
    return error.Code();
  }
}

int32_t ZFile::WriteText(std::string_view text, bool addLineEnd) {
  try {
    if (!IsOpen())
      throw ZError(kZErrFileNotOpen);
    if (Write(text.data(), static_cast<int64_t>(text.size())) != static_cast<int64_t>(text.size()))
      throw ZError(kZErrFileWriteFailed);
    if (addLineEnd && Write("\r\n", 2) != 2)
      throw ZError(kZErrFileWriteFailed);
    return 0;
  } catch (const ZError& error) {
    return error.Code();
  }
}

bool ZFile::AtEnd() { return !file_ || feof(file_) != 0; }

}  // namespace ZTools
