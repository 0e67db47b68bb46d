// BASS_StreamCreate (user and dummy streams), BASS_StreamCreateFile (memory or file, decoded
// on the stream's own thread) and BASS_StreamFree.
#include <algorithm>
#include <cstring>
#include <vector>

#include "audio/engine.h"
#include "audio/ffmpeg_decoder.h"
#include "audio/producer_source.h"
#include "audio/stream_tags.h"

namespace audio {
namespace {

// A stream whose data comes from the caller's STREAMPROC, called on the mixer thread (or none:
// the dummy stream, which plays silence).
class CallbackSource : public Source {
 public:
  CallbackSource(int rate, int channels, DWORD flags, STREAMPROC* proc, void* user)
      : rate_(rate), channels_(channels), proc_(proc), user_(user) {
    bytesPerSample_ = flags & BASS_SAMPLE_FLOAT ? 4 : (flags & BASS_SAMPLE_8BITS ? 1 : 2);
    scratch_.resize(8192 * static_cast<size_t>(channels_) * 4);
  }
  void setHandle(HSTREAM handle) { handle_ = handle; }
  int rate() const override { return rate_; }
  bool ended() const override { return ended_; }
  size_t pull(float* dst, size_t n) override {
    if (!proc_ || ended_)
      return 0;
    size_t frameBytes = static_cast<size_t>(channels_) * bytesPerSample_;
    n = std::min(n, scratch_.size() / frameBytes);
    DWORD r = proc_(handle_, scratch_.data(), static_cast<DWORD>(n * frameBytes), user_);
    if (r & BASS_STREAMPROC_END)
      ended_ = true;
    size_t frames = std::min<size_t>((r & ~BASS_STREAMPROC_END) / frameBytes, n);
    for (size_t i = 0; i < frames; ++i) {
      float l = sampleAt(i * channels_), r2 = channels_ > 1 ? sampleAt(i * channels_ + 1) : l;
      dst[2 * i] = l;
      dst[2 * i + 1] = r2;
    }
    return frames;
  }
  bool seekTo(uint64_t frame) override {
    if (frame != 0)
      return false;
    ended_ = false;
    return true;
  }

 private:
  float sampleAt(size_t index) const {
    const uint8_t* p = scratch_.data() + index * bytesPerSample_;
    if (bytesPerSample_ == 4) {
      float f;
      std::memcpy(&f, p, 4);
      return f;
    }
    if (bytesPerSample_ == 2) {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v / 32768.0f;
    }
    return (static_cast<int>(*p) - 128) / 128.0f;
  }

  int rate_, channels_;
  size_t bytesPerSample_;
  STREAMPROC* proc_;
  void* user_;
  HSTREAM handle_ = 0;
  bool ended_ = false;
  std::vector<uint8_t> scratch_;
};

}  // namespace

// Shared by file, URL and sample creation: the decoder's stream thread with its ring.
std::unique_ptr<ProducerSource> makeFileSource(std::unique_ptr<Decoder> decoder, bool loop) {
  ProducerSource::Options o;
  o.ringFrames = static_cast<size_t>(decoder->rate()) / 2;  // half a second ahead
  o.chunkFrames = 2048;
  o.loop = loop;
  return std::make_unique<ProducerSource>(std::move(decoder), o);
}

}  // namespace audio

using namespace audio;

extern "C" {

HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user) {
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  if (!e.initialized)
    return fail(BASS_ERROR_INIT), 0;
  if (freq < 100 || freq > 384000)
    return fail(BASS_ERROR_FREQ), 0;
  if (chans < 1 || chans > 2)
    return fail(BASS_ERROR_ILLPARAM), 0;
  auto source = std::make_unique<CallbackSource>(static_cast<int>(freq), static_cast<int>(chans), flags, proc, user);
  CallbackSource* raw = source.get();
  auto ch = makeChannel(Kind::Stream, std::move(source), flags);
  addChannel(ch);
  raw->setHandle(ch->handle);
  setError(BASS_OK);
  return ch->handle;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  {
    std::lock_guard<std::recursive_mutex> guard(engine().lock);
    if (!engine().initialized)
      return fail(BASS_ERROR_INIT), 0;
  }
  if (!file)
    return fail(BASS_ERROR_FILEOPEN), 0;
  int error = BASS_OK;
  std::unique_ptr<FfmpegDecoder> decoder;
  if (mem) {
    if (length == 0)
      return fail(BASS_ERROR_ILLPARAM), 0;
    decoder = openMemoryDecoder(static_cast<const uint8_t*>(file) + offset, static_cast<size_t>(length), &error);
  } else {
    decoder = openFileDecoder(static_cast<const char*>(file), &error);
  }
  if (!decoder)
    return fail(error), 0;
  auto ch = makeChannel(Kind::Stream, nullptr, flags);
  FfmpegDecoder* raw = decoder.get();
  auto source = makeFileSource(std::move(decoder), flags & BASS_SAMPLE_LOOP);
  ProducerSource* producer = source.get();
  if (raw->formatName() == "ogg") {
    setOggComments(*ch, raw->currentComments());
    reportOggChanges(*ch, *raw, *producer);
  }
  ch->freq = static_cast<float>(source->rate());
  ch->source = std::move(source);
  HSTREAM handle;
  {
    std::lock_guard<std::recursive_mutex> guard(engine().lock);
    if (!engine().initialized)
      return fail(BASS_ERROR_INIT), 0;
    addChannel(ch);
    handle = ch->handle;
  }
  producer->start();
  setError(BASS_OK);
  return handle;
}

BOOL BASS_StreamFree(HSTREAM handle) { return freeChannel(handle, Kind::Stream); }

}  // extern "C"
