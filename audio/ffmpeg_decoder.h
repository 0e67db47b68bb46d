// Decoding with FFmpeg: a Decoder over an opened AVFormatContext that turns the best audio
// stream into interleaved stereo float at the stream's own rate (mono plays on both sides at
// full level). Inputs are a memory block, a file, or a network AVIOContext (net_stream.cpp);
// metadata that arrives while decoding (ICY blocks, new Ogg comment lists) is reported through
// callbacks on the decoding thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/source.h"

struct AVFormatContext;
struct AVIOContext;
struct AVCodecContext;
struct SwrContext;
struct AVPacket;
struct AVFrame;

namespace audio {

// Shared by FFmpeg's interrupt callback: quit at once, or give up at a deadline (0 = none).
struct Interrupt {
  std::atomic<bool> quit{false};
  std::atomic<int64_t> deadlineUs{0};  // av_gettime_relative() clock
  std::atomic<bool> timedOut{false};
  int64_t giveUpUs = 0;  // playlists: no further entries are tried after this time
  void arm(uint32_t ms);
  void disarm() { deadlineUs = 0; }
};
int interruptCallback(void* opaque);

// A custom AVIOContext; subclasses provide read (and seek).
class CustomIo {
 public:
  virtual ~CustomIo();
  AVIOContext* context() const { return avio_; }
  // Called by the decoder after each read: lets a network input report new ICY metadata.
  virtual void poll() {}

 protected:
  bool create(bool seekable, int bufferSize = 32768);
  virtual int read(uint8_t* buf, int size) = 0;
  virtual int64_t seek(int64_t, int) { return -1; }

 private:
  static int readThunk(void* opaque, uint8_t* buf, int size);
  static int64_t seekThunk(void* opaque, int64_t offset, int whence);
  AVIOContext* avio_ = nullptr;
};

struct FormatCloser {
  void operator()(AVFormatContext* fmt) const;
};
using FormatHandle = std::unique_ptr<AVFormatContext, FormatCloser>;

class FfmpegDecoder : public Decoder {
 public:
  ~FfmpegDecoder() override;

  // Takes an opened format context (and the custom input it reads from, if any). On failure
  // returns null with *error set to a BASS error code.
  static std::unique_ptr<FfmpegDecoder> create(FormatHandle fmt, std::unique_ptr<CustomIo> io,
                                               std::shared_ptr<Interrupt> interrupt, int* error);

  int rate() const override { return rate_; }
  size_t decode(float* dst, size_t max) override;
  bool seek(uint64_t frame) override;
  bool canSeek() const override { return seekable_; }
  uint64_t lengthFrames() const override { return length_; }
  void interrupt() override;

  // The stream's metadata as a comment list ("KEY=value" texts), e.g. Ogg comments: the list
  // found when opening, later the latest one reported through onComments.
  const std::vector<std::string>& currentComments() const { return lastComments_; }
  std::string formatName() const;
  // Called on the decoding thread when the demuxer delivers a new comment list.
  std::function<void(std::vector<std::string>)> onComments;

 private:
  FfmpegDecoder() = default;
  bool nextFrames();
  bool convert();
  void checkMetadataUpdate();
  std::vector<std::string> comments() const;

  FormatHandle fmt_;
  std::unique_ptr<CustomIo> io_;
  std::shared_ptr<Interrupt> interrupt_;
  AVCodecContext* codec_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_ = -1;
  int rate_ = 44100;
  uint64_t length_ = kUnknownLength;
  bool seekable_ = false;
  bool inputDone_ = false;
  bool drained_ = false;
  int failures_ = 0;  // decoding errors in a row
  int swrFormat_ = -1, swrRate_ = 0, swrChannels_ = 0;
  uint64_t swrMask_ = 0;
  int64_t skipUntil_ = -1;  // after a seek: drop frames before this position
  std::vector<std::string> lastComments_;
  std::vector<float> pending_;
  size_t pendingFrames_ = 0, pendingPos_ = 0;
};

// Opens the demuxer on a custom input (probing at most a few tens of kilobytes).
FormatHandle openCustomInput(CustomIo* io, Interrupt* interrupt, int* error);
// Opens memory (kept alive by the caller) or a file; *error gets a BASS code on failure.
std::unique_ptr<FfmpegDecoder> openMemoryDecoder(const uint8_t* data, size_t size, int* error);
std::unique_ptr<FfmpegDecoder> openFileDecoder(const char* path, int* error);
// Maps an FFmpeg error from opening an input to the library's code.
int bassErrorFromAv(int averror, const Interrupt* interrupt);

}  // namespace audio
