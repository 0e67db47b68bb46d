// Engine set-up and tear-down (BASS_Init, BASS_Free, configuration, version, device info),
// the channel table and the per-thread error code.
#include "audio/engine.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

#include "audio/output.h"
#include "audio/sample.h"

namespace audio {
namespace {
thread_local int t_error = BASS_OK;
constexpr size_t kStageFrames = 8192;
}  // namespace

void setError(int code) { t_error = code; }

Engine& engine() {
  static Engine instance;
  return instance;
}

Channel* findChannel(DWORD handle) {
  auto& e = engine();
  auto it = e.channels.find(handle);
  return it == e.channels.end() ? nullptr : it->second.get();
}

std::shared_ptr<Channel> makeChannel(Kind kind, std::unique_ptr<Source> source, DWORD flags) {
  auto ch = std::make_shared<Channel>();
  ch->kind = kind;
  ch->flags = flags;
  ch->freq = source ? static_cast<float>(source->rate()) : 44100.0f;
  ch->source = std::move(source);
  ch->stage.assign(kStageFrames * 2, 0.0f);
  return ch;
}

void addChannel(std::shared_ptr<Channel> channel) {
  auto& e = engine();
  channel->handle = e.newHandle();
  e.channels[channel->handle] = std::move(channel);
}

void startPlaying(Channel& ch) {
  auto& e = engine();
  if (std::find(e.playing.begin(), e.playing.end(), &ch) == e.playing.end()) {
    e.playing.push_back(&ch);
    if (e.mixList.capacity() < e.playing.size())
      e.mixList.reserve(e.playing.size() * 2);
  }
  if (ch.state != PlayState::Playing)
    ch.startedAt = e.clock;
  ch.state = PlayState::Playing;
  ch.ended = false;
}

void stopPlaying(Channel& ch) {
  auto& e = engine();
  e.playing.erase(std::remove(e.playing.begin(), e.playing.end(), &ch), e.playing.end());
  ch.state = PlayState::Stopped;
  ch.level.store(0);
}

bool freeChannel(DWORD handle, Kind kind) {
  auto& e = engine();
  std::shared_ptr<Channel> victim;
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    auto it = e.channels.find(handle);
    if (it == e.channels.end() || it->second->kind != kind)
      return fail(BASS_ERROR_HANDLE);
    if (inMixerThread()) {
      stopPlaying(*it->second);
      e.syncs.post(handle, kSyncDeferredFree, static_cast<DWORD>(kind));
      return succeed();
    }
    victim = it->second;
    stopPlaying(*victim);
    e.channels.erase(it);
  }
  if (victim->source)
    victim->source->shutdown();
  return succeed();
}

std::string tagList(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += '\0';
  }
  out += '\0';
  return out;
}

void TagStore::set(DWORD kind, std::string text) {
  std::lock_guard<std::mutex> guard(lock_);
  auto& versions = texts_[kind];
  versions.push_back(std::move(text));
  while (versions.size() > 8)
    versions.pop_front();
}

void TagStore::schedule(std::string text, bool oggList, uint64_t frame) {
  std::lock_guard<std::mutex> guard(lock_);
  Pending p{frame, std::move(text), oggList};
  if (texts_[BASS_TAG_META].empty()) {
    apply(p);
    return;
  }
  pending_.push_back(std::move(p));
  if (pending_.size() > 64)
    pending_.pop_front();  // a server flooding titles: keep the latest
  uint64_t expected = UINT64_MAX;
  nextDue.compare_exchange_strong(expected, pending_.front().frame);
}

int TagStore::applyDue(uint64_t position) {
  std::lock_guard<std::mutex> guard(lock_);
  int applied = 0;
  while (!pending_.empty() && pending_.front().frame <= position) {
    apply(pending_.front());
    pending_.pop_front();
    ++applied;
  }
  nextDue = pending_.empty() ? UINT64_MAX : pending_.front().frame;
  return applied;
}

void TagStore::apply(Pending& p) {  // lock_ held
  auto push = [this](DWORD kind, const std::string& text) {
    auto& versions = texts_[kind];
    versions.push_back(text);
    while (versions.size() > 8)
      versions.pop_front();
  };
  if (p.oggList)
    push(BASS_TAG_OGG, p.text);
  push(BASS_TAG_META, p.text);
}

const char* TagStore::get(DWORD kind) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = texts_.find(kind);
  if (it == texts_.end() || it->second.empty())
    return nullptr;
  return it->second.back().c_str();
}

}  // namespace audio

using namespace audio;

extern "C" {

int BASS_ErrorGetCode(void) { return t_error; }

DWORD BASS_GetVersion(void) { return 0x02040000u; }

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*) {
  auto& e = engine();
  int rate = freq >= 8000 && freq <= 192000 ? static_cast<int>(freq) : 44100;
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (e.initialized || e.initializing)
      return fail(BASS_ERROR_ALREADY);
    if (device < -1 || device > 1)
      return fail(BASS_ERROR_DEVICE);
    e.initializing = true;
    e.outputRate = static_cast<DWORD>(rate);
    e.clock = 0;
    e.device = device;
    e.mixScratch.assign(8192 * 2, 0.0f);
    e.mixList.reserve(64);
    e.playing.reserve(64);
  }
  // Damaged frames in a radio stream are routine; FFmpeg's own messages are for debugging only.
  av_log_set_level(std::getenv("SONABEL_AUDIO_DEBUG") ? AV_LOG_INFO : AV_LOG_QUIET);
  e.syncs.start();
  // Opened without the engine lock: SDL holds its device lock while its thread waits for ours.
  std::unique_ptr<Output> output = device == 0 ? openNullOutput(rate) : openSdlOutput(rate);
  if (!output) {
    e.syncs.stop();
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    e.initializing = false;
    return fail(BASS_ERROR_DEVICE);
  }
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  e.outputRate = static_cast<DWORD>(output->rate());
  e.output = std::move(output);
  e.initializing = false;
  e.initialized = true;
  return succeed();
}

BOOL BASS_Free(void) {
  auto& e = engine();
  std::unique_ptr<Output> output;
  std::unordered_map<DWORD, std::shared_ptr<Channel>> channels;
  std::unordered_map<DWORD, std::shared_ptr<SampleObject>> samples;
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    if (!e.initialized)
      return fail(BASS_ERROR_INIT);
    e.initialized = false;
    output = std::move(e.output);
  }
  output.reset();  // stops the mixer thread; it may be waiting for the lock
  {
    std::lock_guard<std::recursive_mutex> guard(e.lock);
    channels.swap(e.channels);
    samples.swap(e.samples);
    e.playing.clear();
  }
  for (auto& [handle, ch] : channels)
    if (ch->source)
      ch->source->shutdown();
  channels.clear();
  samples.clear();
  e.syncs.stop();
  return succeed();
}

BOOL BASS_GetInfo(BASS_INFO* info) {
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  if (!e.initialized)
    return fail(BASS_ERROR_INIT);
  if (!info)
    return fail(BASS_ERROR_ILLPARAM);
  *info = BASS_INFO{};
  info->freq = e.outputRate;
  info->minrate = 100;
  info->maxrate = e.outputRate * 16;
  info->latency = static_cast<DWORD>(e.output->latencyMs());
  info->minbuf = info->latency + 10;
  info->speakers = 2;
  info->initflags = 0;
  return succeed();
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
  auto& c = engine().config;
  switch (option) {
    case BASS_CONFIG_FLOATDSP: c.floatDsp = value ? 1 : 0; break;
    case BASS_CONFIG_NET_TIMEOUT: c.netTimeoutMs = std::max<DWORD>(value, 100); break;
    case BASS_CONFIG_NET_BUFFER: c.netBufferMs = std::clamp<DWORD>(value, 200, 60000); break;
    case BASS_CONFIG_NET_PREBUF: c.netPrebufPercent = std::min<DWORD>(value, 100); break;
    case BASS_CONFIG_BUFFER:
    case BASS_CONFIG_UPDATEPERIOD: break;  // the output decides its own buffering
    default: return fail(BASS_ERROR_ILLPARAM);
  }
  return succeed();
}

DWORD BASS_GetConfig(DWORD option) {
  auto& c = engine().config;
  setError(BASS_OK);
  switch (option) {
    case BASS_CONFIG_FLOATDSP: return c.floatDsp;
    case BASS_CONFIG_NET_TIMEOUT: return c.netTimeoutMs;
    case BASS_CONFIG_NET_BUFFER: return c.netBufferMs;
    case BASS_CONFIG_NET_PREBUF: return c.netPrebufPercent;
    default: setError(BASS_ERROR_ILLPARAM); return static_cast<DWORD>(-1);
  }
}

}  // extern "C"
