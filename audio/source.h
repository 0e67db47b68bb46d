// What a channel plays from. A Source hands interleaved stereo float frames at its own rate to
// the mixer; pull() runs on the mixer thread under the engine lock and must never block,
// allocate or touch the network. A Decoder is the slow side (FFmpeg, libopenmpt): it runs on a
// stream's own thread and is wrapped by a ProducerSource (producer_source.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace audio {

constexpr uint64_t kUnknownLength = UINT64_MAX;

class Source {
 public:
  virtual ~Source() = default;
  virtual int rate() const = 0;
  // Mixer thread: copies up to n frames into dst; fewer when the data is not there (yet).
  virtual size_t pull(float* dst, size_t n) = 0;
  // True once every frame has been pulled and no more will come.
  virtual bool ended() const = 0;
  // True while a network stream waits for data (the channel reports "stalled").
  virtual bool stalled() const { return false; }
  // UI thread, engine lock held: continue from this frame. False when the source cannot seek.
  virtual bool seekTo(uint64_t) { return false; }
  virtual uint64_t lengthFrames() const { return kUnknownLength; }
  // Stops any thread of the source; called without the engine lock, before destruction.
  virtual void shutdown() {}
};

// The slow side of a stream: called from the stream's thread only (plus the queries a caller
// makes under the ProducerSource's decode lock).
class Decoder {
 public:
  virtual ~Decoder() = default;
  virtual int rate() const = 0;
  // Decodes up to max frames; 0 at the end of the data (or on a fatal error).
  virtual size_t decode(float* dst, size_t max) = 0;
  virtual bool seek(uint64_t frame) = 0;
  virtual bool canSeek() const = 0;
  virtual uint64_t lengthFrames() const = 0;
  // A number describing where the decoder is (a module's order and row), recorded with the
  // frames that follow so it can be reported when they play.
  virtual uint32_t positionTag() { return 0; }
  // Any thread: makes a blocking decode() return soon (the stream is being freed).
  virtual void interrupt() {}
};

}  // namespace audio
