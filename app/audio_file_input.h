// How the audio classes read sound files and get memory for them. ZAudioHost carries a file
// input shaped like the script runtime's (open, read, close through one callback) and an
// allocator pair, so the runtime's own plug in; ZLoadAudioFile reads a whole file in chunks of
// 65532 bytes into one buffer of exactly the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "zilapi.h"

namespace ZTools {

struct ZAudioHost {
  enum {
    kOpen = 0,
    kRead = 1,
    kClose = 2
  };
  // kOpen: open `name` into *file; kRead: read up to `size` bytes into `buffer`, *done = bytes
  // read; kClose: close *file. Answers 0 on success.
  std::function<ZILError(int op, const char* name, void* buffer, ZILLong size, void** file, ZILLong* done)> fileInput;
  std::function<void*(size_t size)> alloc;
  std::function<void(void* p)> free;
};

// Standard files and malloc/free.
ZAudioHost ZDefaultAudioHost();

// A file's bytes in memory, owned; released through the host's free.
class ZAudioBuffer {
 public:
  ZAudioBuffer() = default;
  ZAudioBuffer(void* data, size_t size, std::function<void(void*)> free)
      : mData(data), mSize(size), mFree(std::move(free)) {}
  ZAudioBuffer(ZAudioBuffer&& o) noexcept { *this = std::move(o); }
  ZAudioBuffer& operator=(ZAudioBuffer&& o) noexcept;
  ZAudioBuffer(const ZAudioBuffer&) = delete;
  ZAudioBuffer& operator=(const ZAudioBuffer&) = delete;
  ~ZAudioBuffer() { Release(); }

  void Release();
  const void* Data() const { return mData; }
  size_t Size() const { return mSize; }
  bool Empty() const { return mData == nullptr; }

 private:
  void* mData = nullptr;
  size_t mSize = 0;
  std::function<void(void*)> mFree;
};

constexpr ZILLong kAudioReadChunk = 65532;

// Reads the whole of `name`. Answers 0, or ZIL_ERR_Unspecified (1100) when there is no name,
// the file cannot be opened or read, memory runs out, or the file exceeds 2 GB.
ZILError ZLoadAudioFile(const ZAudioHost& host, const char* name, ZAudioBuffer& out);

}  // namespace ZTools
