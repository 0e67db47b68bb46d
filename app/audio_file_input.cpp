// Whole-file loading for the audio classes: chunks of 65532 bytes are read into a chain of
// blocks until a short read, then copied into one buffer of exactly the total size.
#include "app/audio_file_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ZTools {

ZAudioBuffer& ZAudioBuffer::operator=(ZAudioBuffer&& o) noexcept {
  if (this != &o) {
    Release();
    mData = o.mData;
    mSize = o.mSize;
    mFree = std::move(o.mFree);
    o.mData = nullptr;
    o.mSize = 0;
  }
  return *this;
}

void ZAudioBuffer::Release() {
  if (mData && mFree)
    mFree(mData);
  mData = nullptr;
  mSize = 0;
}

ZAudioHost ZDefaultAudioHost() {
  ZAudioHost host;
  host.fileInput = [](int op, const char* name, void* buffer, ZILLong size, void** file, ZILLong* done) -> ZILError {
    switch (op) {
      case ZAudioHost::kOpen: *file = name ? std::fopen(name, "rb") : nullptr; return *file ? 0 : ZIL_ERR_Unspecified;
      case ZAudioHost::kRead: {
        size_t n = std::fread(buffer, 1, static_cast<size_t>(size), static_cast<FILE*>(*file));
        *done = static_cast<ZILLong>(n);
        return std::ferror(static_cast<FILE*>(*file)) ? ZIL_ERR_Unspecified : 0;
      }
      case ZAudioHost::kClose:
        if (*file)
          std::fclose(static_cast<FILE*>(*file));
        *file = nullptr;
        return 0;
      default: return ZIL_ERR_Unspecified;
    }
  };
  host.alloc = [](size_t size) {
    return std::malloc(size);
  };
  host.free = [](void* p) {
    std::free(p);
  };
  return host;
}

namespace {

// The chain of read blocks, freed through the host whatever happens.
struct BlockChain {
  const ZAudioHost& host;
  std::vector<void*> blocks;
  ~BlockChain() {
    for (void* b : blocks)
      host.free(b);
  }
};

}  // namespace

ZILError ZLoadAudioFile(const ZAudioHost& host, const char* name, ZAudioBuffer& out) {
  out.Release();
  if (!name || !*name || !host.fileInput || !host.alloc || !host.free)
    return ZIL_ERR_Unspecified;
  void* file = nullptr;
  if (host.fileInput(ZAudioHost::kOpen, name, nullptr, 0, &file, nullptr) != 0 || !file)
    return ZIL_ERR_Unspecified;
  BlockChain chain{host, {}};
  size_t total = 0;
  size_t lastFill = 0;
  ZILError error = 0;
  for (;;) {
    void* block = host.alloc(static_cast<size_t>(kAudioReadChunk));
    if (!block) {
      error = ZIL_ERR_Unspecified;
      break;
    }
    chain.blocks.push_back(block);
    ZILLong done = 0;
    if (host.fileInput(ZAudioHost::kRead, name, block, kAudioReadChunk, &file, &done) != 0 || done < 0 ||
        done > kAudioReadChunk) {
      error = ZIL_ERR_Unspecified;
      break;
    }
    total += static_cast<size_t>(done);
    lastFill = static_cast<size_t>(done);
    if (total > 0x7fffffffu) {  // the engine takes 32-bit lengths for modules and samples
      error = ZIL_ERR_Unspecified;
      break;
    }
    if (done < kAudioReadChunk)
      break;
  }
  host.fileInput(ZAudioHost::kClose, name, nullptr, 0, &file, nullptr);
  if (error)
    return error;
  void* data = host.alloc(total ? total : 1);
  if (!data)
    return ZIL_ERR_Unspecified;
  size_t at = 0;
  for (size_t i = 0; i < chain.blocks.size(); ++i) {
    size_t n = i + 1 == chain.blocks.size() ? lastFill : static_cast<size_t>(kAudioReadChunk);
    std::memcpy(static_cast<char*>(data) + at, chain.blocks[i], n);
    at += n;
  }
  out = ZAudioBuffer(data, total, host.free);
  return 0;
}

}  // namespace ZTools
