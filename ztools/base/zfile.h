// ZFile: a file on disk as a ZStream, opened in one of six modes, with line-wise text reading
// and writing. Operations return 0 or a framework error code (kZErrIllegalParameter,
// kZErrFileAlreadyOpen ... kZErrFileCloseFailed); inside they raise ZError and turn it into the
// code at their boundary.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "ztools/base/zstream.h"
#include "ztools/base/zstring.h"

namespace ZTools {

// Open modes: the C library's "r", "w", "a", "r+", "w+", "a+".
enum ZFileMode : int32_t {
  kZFileRead = 0,
  kZFileWrite = 1,
  kZFileAppend = 2,
  kZFileReadUpdate = 3,
  kZFileWriteUpdate = 4,
  kZFileAppendUpdate = 5,
};

class ZFile : public ZStream {
 public:
  ZFile() = default;
  ~ZFile() override;  // closes the file
  ZFile(const ZFile&) = delete;
  ZFile& operator=(const ZFile&) = delete;

  int64_t Length() override;
  int64_t Position() override;
  int64_t Seek(int64_t position) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;

  // Opens path ('\' or '/' between folders) in mode 0..5; binary and text are the same on
  // this system (path may also be a ZString). kZErrFileAlreadyOpen when a file is already open,
  // kZErrIllegalParameter for another mode, kZErrFileOpenFailed when it fails.
  virtual int32_t Open(std::string_view path, int32_t mode, bool binary);
  // kZErrFileNotOpen when no file is open, kZErrFileCloseFailed when closing fails.
  virtual int32_t Close();
  // Reads the next line into text, without its line end ("\n" or "\r\n"). kZErrFileReadFailed
  // when the file ends before a line end; text then holds what was read (an unterminated last line).
  virtual int32_t ReadText(ZString& text);
  // Writes text and, when asked, "\r\n". kZErrFileWriteFailed on a short write, kZErrFileNotOpen
  // when no file is open.
  virtual int32_t WriteText(std::string_view text, bool addLineEnd);
  // A read has met the end of the file.
  virtual bool AtEnd();

  virtual bool IsOpen() const { return file_ != nullptr; }

 protected:
  FILE* file_ = nullptr;   // owned
  bool writable_ = false;  // opened in a mode that writes
};

}  // namespace ZTools
