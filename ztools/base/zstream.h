// ZStream: the framework's abstract byte stream (a file on disk, a file of the skin), with a
// length, a position and reading and writing of byte counts. CopyTo is implemented once here
// for every stream.
#pragma once

#include <cstdint>

namespace ZTools {

class ZStream {
 public:
  virtual ~ZStream() = default;
  virtual int64_t Length() = 0;
  virtual int64_t Position() = 0;
  // Moves to position (a negative one is taken as 0) and answers the position reached.
  virtual int64_t Seek(int64_t position) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;  // bytes written
  virtual int64_t Read(void* buffer, int64_t count) = 0;         // bytes read
  // Copies from this stream's position to its end into target; answers the bytes copied,
  // which fall short when target takes fewer than offered.
  virtual int64_t CopyTo(ZStream& target);
};

}  // namespace ZTools
