// BASS_SampleLoad/Free/GetChannel/Stop and the voice source that plays from sample memory.
#include "audio/sample.h"

#include <algorithm>
#include <cstring>

#include "audio/ffmpeg_decoder.h"

namespace audio {
namespace {

constexpr size_t kMaxSampleFrames = size_t{1} << 25;  // about 12 minutes at 44.1 kHz

class VoiceSource : public Source {
 public:
  VoiceSource(std::shared_ptr<const std::vector<float>> data, int rate, bool loop)
      : data_(std::move(data)), frames_(data_->size() / 2), rate_(rate), loop_(loop) {}
  int rate() const override { return rate_; }
  size_t pull(float* dst, size_t n) override {
    size_t done = 0;
    while (done < n && frames_ > 0) {
      if (pos_ >= frames_) {
        if (!loop_)
          break;
        pos_ = 0;
      }
      size_t k = std::min(n - done, frames_ - pos_);
      std::memcpy(dst + done * 2, data_->data() + pos_ * 2, k * 2 * sizeof(float));
      pos_ += k;
      done += k;
    }
    return done;
  }
  bool ended() const override { return !loop_ && pos_ >= frames_; }
  bool seekTo(uint64_t frame) override {
    if (frame > frames_)
      return false;
    pos_ = static_cast<size_t>(frame);
    return true;
  }
  uint64_t lengthFrames() const override { return frames_; }

 private:
  std::shared_ptr<const std::vector<float>> data_;
  size_t frames_;
  int rate_;
  bool loop_;
  size_t pos_ = 0;
};

std::shared_ptr<SampleObject> findSample(DWORD handle) {
  auto& e = engine();
  auto it = e.samples.find(handle);
  if (it == e.samples.end()) {
    setError(BASS_ERROR_HANDLE);
    return nullptr;
  }
  return it->second;
}

}  // namespace

void releaseVoice(HCHANNEL voice) {
  auto& e = engine();
  auto it = e.channels.find(voice);
  if (it == e.channels.end() || it->second->kind != Kind::Voice)
    return;
  std::shared_ptr<Channel> ch = it->second;
  stopPlaying(*ch);
  e.channels.erase(it);
  if (ch->sample) {
    auto& v = ch->sample->voices;
    v.erase(std::remove(v.begin(), v.end(), voice), v.end());
  }
}

}  // namespace audio

using namespace audio;

extern "C" {

HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD max, DWORD flags) {
  {
    std::lock_guard<std::recursive_mutex> guard(engine().lock);
    if (!engine().initialized)
      return fail(BASS_ERROR_INIT), 0;
  }
  if (max < 1 || max > 65535)
    return fail(BASS_ERROR_ILLPARAM), 0;
  if (!file)
    return fail(BASS_ERROR_FILEOPEN), 0;
  int error = BASS_OK;
  std::unique_ptr<FfmpegDecoder> decoder =
      mem ? openMemoryDecoder(static_cast<const uint8_t*>(file) + offset, length, &error)
          : openFileDecoder(static_cast<const char*>(file), &error);
  if (!decoder)
    return fail(error), 0;
  auto data = std::make_shared<std::vector<float>>();
  std::vector<float> chunk(4096 * 2);
  for (;;) {
    size_t n = decoder->decode(chunk.data(), 4096);
    if (n == 0)
      break;
    if (data->size() / 2 + n > kMaxSampleFrames)
      return fail(BASS_ERROR_MEM), 0;
    data->insert(data->end(), chunk.begin(), chunk.begin() + static_cast<long>(n * 2));
  }
  if (data->empty())
    return fail(BASS_ERROR_EMPTY), 0;
  auto s = std::make_shared<SampleObject>();
  s->data = std::move(data);
  s->rate = decoder->rate();
  s->flags = flags;
  s->maxVoices = max;
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  if (!e.initialized)
    return fail(BASS_ERROR_INIT), 0;
  s->handle = e.newHandle();
  e.samples[s->handle] = s;
  setError(BASS_OK);
  return s->handle;
}

BOOL BASS_SampleFree(HSAMPLE handle) {
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  auto s = findSample(handle);
  if (!s)
    return FALSE;
  for (HCHANNEL v : std::vector<HCHANNEL>(s->voices))
    releaseVoice(v);
  e.samples.erase(handle);
  return succeed();
}

BOOL BASS_SampleStop(HSAMPLE handle) {
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  auto s = findSample(handle);
  if (!s)
    return FALSE;
  for (HCHANNEL v : std::vector<HCHANNEL>(s->voices))
    releaseVoice(v);
  return succeed();
}

HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlynew) {
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  auto s = findSample(handle);
  if (!s)
    return 0;
  if (s->voices.size() >= s->maxVoices) {
    // A voice that has played to its end is free; otherwise the oldest one is taken over.
    HCHANNEL reuse = 0;
    uint64_t oldest = UINT64_MAX;
    for (HCHANNEL v : s->voices) {
      Channel* ch = findChannel(v);
      if (!ch)
        continue;
      if (ch->ended) {
        reuse = v;
        break;
      }
      if (!onlynew && ch->startedAt < oldest) {
        oldest = ch->startedAt;
        reuse = v;
      }
    }
    if (!reuse)
      return fail(BASS_ERROR_NOCHAN), 0;
    releaseVoice(reuse);
  }
  auto ch =
      makeChannel(Kind::Voice, std::make_unique<VoiceSource>(s->data, s->rate, s->flags & BASS_SAMPLE_LOOP), s->flags);
  ch->sample = s;
  addChannel(ch);
  s->voices.push_back(ch->handle);
  setError(BASS_OK);
  return ch->handle;
}

}  // extern "C"
