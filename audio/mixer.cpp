// The mixer: once per output block, under the engine lock, every playing channel pulls frames
// from its source into its stage buffer, runs its DSP chain and level meter on them at the
// channel's own rate, and is resampled (4-point Hermite interpolation by freq / output rate) into the
// 32-bit float mix with its volume and pan. Nothing here allocates, blocks or does I/O; end,
// stall and resume are posted to the sync thread.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/engine.h"

namespace audio {
namespace {

constexpr size_t kSubBlock = 256;   // output frames between slide updates
constexpr double kMaxRatio = 16.0;  // keeps the stage buffer bounded (kSubBlock * 16 + 4)

thread_local bool t_inMixer = false;

void applySlides(Channel& ch, uint64_t now) {
  float* targets[3] = {&ch.freq, &ch.volume, &ch.pan};
  for (int a = 0; a < 3; ++a) {
    Slide& s = ch.slides[a];
    if (!s.active)
      continue;
    double t = s.durationFrames ? static_cast<double>(now - s.startClock) / s.durationFrames : 1.0;
    if (t >= 1.0) {
      *targets[a] = s.to;
      s.active = false;
      if (s.stopAtEnd) {
        stopPlaying(ch);
        return;
      }
    } else {
      *targets[a] = s.from + static_cast<float>((s.to - s.from) * t);
    }
  }
}

// Pulls up to `want` frames into the stage, runs the DSP chain on them and meters them.
void fillStage(Channel& ch, size_t want, float& peakL, float& peakR, bool& pulled) {
  size_t room = ch.stage.size() / 2 - ch.stageFrames;
  want = std::min(want, room);
  float* dst = ch.stage.data() + ch.stageFrames * 2;
  size_t got = want ? ch.source->pull(dst, want) : 0;
  if (got > 0) {
    pulled = true;
    ch.tailPadded = false;
    for (size_t k = 0; k < ch.dsps.size(); ++k) {  // by index: a callback may remove itself
      Dsp d = ch.dsps[k];
      d.proc(d.id, ch.handle, dst, static_cast<DWORD>(got * 2 * sizeof(float)), d.user);
    }
    for (size_t i = 0; i < got; ++i) {
      peakL = std::max(peakL, std::fabs(dst[2 * i]));
      peakR = std::max(peakR, std::fabs(dst[2 * i + 1]));
    }
    ch.position += got;
    ch.stageFrames += got;
  }
  if (got < want && !ch.tailPadded && ch.stageFrames > 0 && ch.source->ended() &&
      ch.stageFrames + 2 <= ch.stage.size() / 2) {
    // The interpolator looks two frames beyond the current one; repeat the last frame twice
    // so that every real frame is played.
    float* last = ch.stage.data() + (ch.stageFrames - 1) * 2;
    for (int k = 1; k <= 2; ++k) {
      last[2 * k] = last[0];
      last[2 * k + 1] = last[1];
    }
    ch.stageFrames += 2;
    ch.tailPadded = true;
  }
}

void finishChannel(Engine& e, Channel& ch) {
  stopPlaying(ch);
  ch.ended = true;
  ch.stageFrames = 0;
  ch.stagePhase = 0;
  e.syncs.post(ch.handle, BASS_SYNC_END, 0);
  if (ch.kind == Kind::Stream && (ch.flags & BASS_STREAM_AUTOFREE))
    e.syncs.post(ch.handle, kSyncDeferredFree, static_cast<DWORD>(ch.kind));
}

void mixChannel(Engine& e, Channel& ch, float* out, size_t frames) {
  float peakL = 0, peakR = 0;
  bool pulled = false;
  bool starved = false;
  for (size_t done = 0; done < frames && ch.state == PlayState::Playing;) {
    size_t m = std::min(frames - done, kSubBlock);
    applySlides(ch, e.clock + done);
    if (ch.state != PlayState::Playing)
      break;
    double ratio = std::clamp(static_cast<double>(ch.freq) / e.outputRate, 1.0 / 1024, kMaxRatio);
    // The stage keeps one frame of history before the current one (index floor(phase)) and
    // needs two after it for the 4-point Hermite interpolation.
    size_t need = static_cast<size_t>(ch.stagePhase + (m - 1) * ratio) + 3;
    if (need > ch.stageFrames)
      fillStage(ch, need - ch.stageFrames, peakL, peakR, pulled);

    float gainL = ch.volume * (ch.pan > 0 ? 1 - ch.pan : 1);
    float gainR = ch.volume * (ch.pan < 0 ? 1 + ch.pan : 1);
    const float* s = ch.stage.data();
    double p = ch.stagePhase;
    float* o = out + done * 2;
    size_t produced = 0;
    if (ratio == 1.0 && p == std::floor(p)) {  // the common case: the channel runs at the output rate
      size_t i0 = static_cast<size_t>(p);
      produced = std::min(m, ch.stageFrames > i0 + 2 ? ch.stageFrames - i0 - 2 : 0);
      for (size_t k = 0; k < produced; ++k) {
        o[2 * k] += s[2 * (i0 + k)] * gainL;
        o[2 * k + 1] += s[2 * (i0 + k) + 1] * gainR;
      }
      p += static_cast<double>(produced);
    }
    for (; produced < m; ++produced) {
      size_t i = static_cast<size_t>(p);
      if (i + 2 >= ch.stageFrames)
        break;
      float t = static_cast<float>(p - static_cast<double>(i));
      const float* y1 = s + 2 * i;
      const float* y0 = i > 0 ? y1 - 2 : y1;
      float v[2];
      for (int c = 0; c < 2; ++c) {
        float a = y0[c], b = y1[c], d = y1[2 + c], e = y1[4 + c];
        float c1 = 0.5f * (d - a);
        float c2 = a - 2.5f * b + 2.0f * d - 0.5f * e;
        float c3 = 0.5f * (e - a) + 1.5f * (b - d);
        v[c] = ((c3 * t + c2) * t + c1) * t + b;
      }
      o[2 * produced] += v[0] * gainL;
      o[2 * produced + 1] += v[1] * gainR;
      p += ratio;
    }
    size_t whole = static_cast<size_t>(p);
    size_t drop = whole > 0 ? std::min(whole - 1, ch.stageFrames) : 0;
    std::memmove(ch.stage.data(), ch.stage.data() + drop * 2, (ch.stageFrames - drop) * 2 * sizeof(float));
    ch.stageFrames -= drop;
    ch.stagePhase = p - static_cast<double>(drop);
    done += m;
    if (produced < m) {
      starved = true;
      break;
    }
  }
  if (ch.state != PlayState::Playing)
    return;
  auto word = [](float peak) {
    return static_cast<uint32_t>(std::min(peak, 1.0f) * 32768.0f);
  };
  ch.level.store(pulled ? (word(peakL) | (word(peakR) << 16)) : 0, std::memory_order_relaxed);
  bool allPlayed = ch.stageFrames == 0 || (ch.tailPadded && static_cast<size_t>(ch.stagePhase) + 2 >= ch.stageFrames);
  if (starved && ch.source->ended() && allPlayed)
    finishChannel(e, ch);
}

}  // namespace

bool inMixerThread() { return t_inMixer; }

void mixBlock(float* out, size_t frames) {
  std::fill(out, out + frames * 2, 0.0f);
  auto& e = engine();
  std::lock_guard<std::recursive_mutex> guard(e.lock);
  t_inMixer = true;
  // Iterate a copy: callbacks may start or stop channels. Its capacity is kept large enough
  // by startPlaying, so this never allocates.
  e.mixList.assign(e.playing.begin(), e.playing.end());
  for (Channel* ch : e.mixList) {
    if (ch->state != PlayState::Playing || !ch->source)
      continue;
    bool wasStalled = ch->source->stalled();
    mixChannel(e, *ch, out, frames);
    bool stalled = ch->source->stalled();
    if (stalled != wasStalled)
      e.syncs.post(ch->handle, BASS_SYNC_STALL, stalled ? 0 : 1);
    uint64_t due = ch->tags.nextDue.load(std::memory_order_relaxed);
    if (ch->position >= due && ch->tags.nextDue.compare_exchange_strong(due, UINT64_MAX))
      e.syncs.post(ch->handle, kSyncTagsDue, 0);
  }
  e.clock += frames;
  t_inMixer = false;
}

}  // namespace audio
