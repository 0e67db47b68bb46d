// The engine's shared state: the channel table, the list of playing channels, configuration
// and the per-thread error code. One recursive mutex, Engine::lock, guards the tables and every
// channel's playback fields; the mixer holds it for one block at a time and API calls hold it
// only for bookkeeping (never across network or file I/O, thread joins or device calls).
// Tags have their own small mutex so decoder threads can update them without the engine lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "audio/bass.h"
#include "audio/source.h"

namespace audio {

class Output;
class SampleData;
struct SampleObject;

void setError(int code);
inline bool fail(int code) {
  setError(code);
  return false;
}
inline bool succeed() {
  setError(BASS_OK);
  return true;
}

struct Config {
  std::atomic<uint32_t> floatDsp{0};
  std::atomic<uint32_t> netTimeoutMs{5000};
  std::atomic<uint32_t> netBufferMs{5000};
  std::atomic<uint32_t> netPrebufPercent{75};
};

enum class Kind {
  Stream,
  Music,
  Voice
};
enum class PlayState {
  Stopped,
  Playing,
  Paused
};

struct Dsp {
  HDSP id;
  DSPPROC* proc;
  void* user;
  int priority;
};

struct Sync {
  HSYNC id;
  DWORD type;  // without the ONETIME bit
  bool oneTime;
  QWORD param;
  SYNCPROC* proc;
  void* user;
};

// A linear change of one attribute, measured on the output clock.
struct Slide {
  bool active = false;
  bool stopAtEnd = false;  // volume slid to -1: fade out, then stop
  float from = 0, to = 0;
  uint64_t startClock = 0, durationFrames = 0;
};

// Tag texts of one channel. Each text is kept in the library's layout (see tagText); texts that
// change while playing (META, OGG) keep a few old versions alive so a pointer handed out
// earlier stays readable for a while after the change.
//
// Metadata found by a stream's thread ahead of playback is scheduled for the frame where it
// was found and applied when playback reaches that frame (the mixer notices through
// `nextDue` and the sync thread applies it and fires the META syncs), so a new title shows
// when its song is heard, not when it was downloaded.
class TagStore {
 public:
  void set(DWORD kind, std::string text);
  const char* get(DWORD kind);
  // A new META text (and, for an Ogg comment list, the OGG tag) due at `frame`. The first
  // META text of a stream applies at once.
  void schedule(std::string text, bool oggList, uint64_t frame);
  // Applies what is due at `position`; returns how many texts were applied.
  int applyDue(uint64_t position);

  std::atomic<uint64_t> nextDue{UINT64_MAX};

 private:
  struct Pending {
    uint64_t frame;
    std::string text;
    bool oggList;
  };
  void apply(Pending& p);
  std::mutex lock_;
  std::map<DWORD, std::deque<std::string>> texts_;
  std::deque<Pending> pending_;
};

struct Channel {
  HCHANNEL handle = 0;
  Kind kind = Kind::Stream;
  DWORD flags = 0;
  std::shared_ptr<SampleObject> sample;  // voices: the sample they belong to
  bool network = false;

  PlayState state = PlayState::Stopped;
  bool ended = false;
  uint64_t startedAt = 0;  // output clock when last started (voice reuse picks the oldest)
  uint64_t position = 0;   // frames handed to the mix, at the source's rate
  float freq = 0, volume = 1, pan = 0, panSeparation = 50;
  Slide slides[3];        // freq, volume, pan
  std::vector<Dsp> dsps;  // highest priority first
  std::vector<Sync> syncs;
  std::atomic<uint32_t> level{0};
  bool levelValid = false;

  // Mixer scratch: frames pulled from the source but not yet fully resampled.
  std::vector<float> stage;
  size_t stageFrames = 0;
  double stagePhase = 0;
  bool tailPadded = false;

  TagStore tags;
  // Music: order/row queries and pan separation go through these.
  std::function<uint32_t(uint64_t position)> musicOrderPosition;
  std::function<uint32_t()> musicOrderCount;
  std::function<bool(uint32_t order, uint32_t row, uint64_t* frame)> musicSeekOrder;
  std::function<void(float)> musicSetPanSeparation;

  // Last, so it is destroyed first: its thread may write the tags above until it stops.
  std::unique_ptr<Source> source;
};

// Events for the sync thread, queued without allocating (fixed ring) by the mixer and the
// decoder threads.
struct SyncEvent {
  HCHANNEL channel;
  DWORD type;
  DWORD data;
};

class SyncDispatcher {
 public:
  void start();
  void stop();
  void post(HCHANNEL channel, DWORD type, DWORD data);
  bool onDispatcherThread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  void run();
  static constexpr size_t kCapacity = 1024;
  std::mutex lock_;  // held for a few instructions by posters and the dispatcher
  std::condition_variable wake_;
  SyncEvent events_[kCapacity];
  size_t head_ = 0, count_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

struct Engine {
  std::recursive_mutex lock;
  bool initialized = false;
  bool initializing = false;  // BASS_Init is opening the device (without the lock)
  int device = 0;
  DWORD outputRate = 44100;
  uint64_t clock = 0;  // output frames mixed since BASS_Init
  std::unique_ptr<Output> output;
  std::unordered_map<DWORD, std::shared_ptr<Channel>> channels;
  std::unordered_map<DWORD, std::shared_ptr<SampleObject>> samples;
  std::vector<Channel*> playing;
  std::vector<Channel*> mixList;  // mixer's copy of `playing`, capacity kept >= playing's
  std::vector<float> mixScratch;
  DWORD nextHandle = 0x10000;
  Config config;
  SyncDispatcher syncs;

  DWORD newHandle() { return ++nextHandle; }
};

Engine& engine();

// With the engine lock held.
Channel* findChannel(DWORD handle);
void addChannel(std::shared_ptr<Channel> channel);
void startPlaying(Channel& ch);
void stopPlaying(Channel& ch);
// Removes a channel from the tables and destroys it (joins its thread) outside the lock.
// From the mixer thread (a DSP callback) the free is handed to the sync thread.
bool freeChannel(DWORD handle, Kind kind);
bool inMixerThread();
constexpr DWORD kSyncDeferredFree = 0x7fff0001;  // internal event: free this channel
constexpr DWORD kSyncTagsDue = 0x7fff0002;       // internal event: scheduled tags reached
// A new channel with the engine's defaults for a source; not yet in the table.
std::shared_ptr<Channel> makeChannel(Kind kind, std::unique_ptr<Source> source, DWORD flags);

// Mixes `frames` output frames (stereo float) into out; called by the output with no locks held.
void mixBlock(float* out, size_t frames);

// Helpers for the API files.
std::string tagList(const std::vector<std::string>& lines);  // "a\0b\0\0"

}  // namespace audio
