// The BASS_Channel* calls: play state, attributes and slides, positions, levels, tags, syncs
// and DSP callbacks. Every call holds the engine lock only for bookkeeping.
#include <algorithm>
#include <cmath>

#include "audio/engine.h"
#include "audio/sample.h"

using namespace audio;

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

Channel* lookup(DWORD handle) {
  Channel* ch = findChannel(handle);
  if (!ch)
    setError(BASS_ERROR_HANDLE);
  return ch;
}

int slideIndex(DWORD attrib) {
  switch (attrib) {
    case BASS_ATTRIB_FREQ: return 0;
    case BASS_ATTRIB_VOL: return 1;
    case BASS_ATTRIB_PAN: return 2;
    default: return -1;
  }
}

void resetStage(Channel& ch) {
  ch.stageFrames = 0;
  ch.stagePhase = 0;
  ch.tailPadded = false;
}

uint64_t lengthOf(const Channel& ch) { return ch.source ? ch.source->lengthFrames() : kUnknownLength; }

}  // namespace

extern "C" {

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  if (!engine().initialized)
    return fail(BASS_ERROR_INIT);
  if (restart || ch->ended) {
    if (ch->source && ch->source->seekTo(0)) {
      ch->position = 0;
      resetStage(*ch);
    } else if (ch->ended) {
      return fail(BASS_ERROR_ENDED);  // a live stream cannot start over
    }
  }
  startPlaying(*ch);
  return succeed();
}

BOOL BASS_ChannelStop(DWORD handle) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  if (ch->kind == Kind::Voice) {
    releaseVoice(handle);  // a stopped sample voice is given back to its sample
    return succeed();
  }
  stopPlaying(*ch);
  for (auto& s : ch->slides)
    s.active = false;
  return succeed();
}

BOOL BASS_ChannelPause(DWORD handle) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  if (ch->state == PlayState::Paused)
    return fail(BASS_ERROR_ALREADY);
  if (ch->state != PlayState::Playing)
    return fail(BASS_ERROR_NOPLAY);
  stopPlaying(*ch);
  ch->state = PlayState::Paused;
  return succeed();
}

DWORD BASS_ChannelIsActive(DWORD handle) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return BASS_ACTIVE_STOPPED;
  setError(BASS_OK);
  switch (ch->state) {
    case PlayState::Playing: return ch->source && ch->source->stalled() ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING;
    case PlayState::Paused: return BASS_ACTIVE_PAUSED;
    default: return BASS_ACTIVE_STOPPED;
  }
}

BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  if (!value)
    return fail(BASS_ERROR_ILLPARAM);
  switch (attrib) {
    case BASS_ATTRIB_FREQ: *value = ch->freq; break;
    case BASS_ATTRIB_VOL: *value = ch->volume; break;
    case BASS_ATTRIB_PAN: *value = ch->pan; break;
    case BASS_ATTRIB_MUSIC_PANSEP:
      if (ch->kind != Kind::Music)
        return fail(BASS_ERROR_ILLTYPE);
      *value = ch->panSeparation;
      break;
    default: return fail(BASS_ERROR_ILLTYPE);
  }
  return succeed();
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  if (std::isnan(value))
    return fail(BASS_ERROR_ILLPARAM);
  float maxFreq = static_cast<float>(engine().outputRate) * 16;
  switch (attrib) {
    case BASS_ATTRIB_FREQ:
      if (value < 0)
        return fail(BASS_ERROR_ILLPARAM);
      ch->freq =
          value == 0 ? static_cast<float>(ch->source ? ch->source->rate() : 44100) : std::clamp(value, 100.0f, maxFreq);
      break;
    case BASS_ATTRIB_VOL: ch->volume = std::clamp(value, 0.0f, 16.0f); break;
    case BASS_ATTRIB_PAN: ch->pan = std::clamp(value, -1.0f, 1.0f); break;
    case BASS_ATTRIB_MUSIC_PANSEP:
      if (ch->kind != Kind::Music)
        return fail(BASS_ERROR_ILLTYPE);
      ch->panSeparation = std::clamp(value, 0.0f, 100.0f);
      if (ch->musicSetPanSeparation)
        ch->musicSetPanSeparation(ch->panSeparation);
      return succeed();
    default: return fail(BASS_ERROR_ILLTYPE);
  }
  ch->slides[slideIndex(attrib)].active = false;
  return succeed();
}

BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time) {
  auto& e = engine();
  Guard guard(e.lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  int index = slideIndex(attrib);
  if (index < 0)
    return fail(BASS_ERROR_ILLTYPE);
  if (std::isnan(value))
    return fail(BASS_ERROR_ILLPARAM);
  bool stopAtEnd = attrib == BASS_ATTRIB_VOL && value < 0;
  float current[3] = {ch->freq, ch->volume, ch->pan};
  if (attrib == BASS_ATTRIB_FREQ && value == 0)
    value = static_cast<float>(ch->source ? ch->source->rate() : 44100);
  if (attrib == BASS_ATTRIB_FREQ)
    value = std::clamp(value, 100.0f, static_cast<float>(e.outputRate) * 16);
  if (attrib == BASS_ATTRIB_VOL)
    value = std::clamp(value, 0.0f, 16.0f);
  if (attrib == BASS_ATTRIB_PAN)
    value = std::clamp(value, -1.0f, 1.0f);
  Slide& s = ch->slides[index];
  s.active = true;
  s.stopAtEnd = stopAtEnd;
  s.from = current[index];
  s.to = value;
  s.startClock = e.clock;
  s.durationFrames = static_cast<uint64_t>(time) * e.outputRate / 1000;
  return succeed();
}

BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  setError(BASS_OK);
  if (attrib == 0)
    return ch->slides[0].active || ch->slides[1].active || ch->slides[2].active;
  int index = slideIndex(attrib);
  return index >= 0 && ch->slides[index].active;
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return static_cast<QWORD>(-1);
  if (mode == BASS_POS_MUSIC_ORDER) {
    if (!ch->musicOrderPosition)
      return fail(BASS_ERROR_NOTAVAIL), static_cast<QWORD>(-1);
    setError(BASS_OK);
    return ch->musicOrderPosition(ch->position);
  }
  if (mode != BASS_POS_BYTE)
    return fail(BASS_ERROR_NOTAVAIL), static_cast<QWORD>(-1);
  uint64_t frames = ch->position;
  uint64_t length = lengthOf(*ch);
  if (length != kUnknownLength && length > 0 && (ch->flags & BASS_SAMPLE_LOOP))
    frames %= length;
  setError(BASS_OK);
  return frames * 8;
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  uint64_t frame;
  if (mode == BASS_POS_MUSIC_ORDER) {
    if (!ch->musicSeekOrder)
      return fail(BASS_ERROR_NOTAVAIL);
    if (!ch->musicSeekOrder(static_cast<uint32_t>(pos & 0xffff), static_cast<uint32_t>((pos >> 16) & 0xffff), &frame))
      return fail(BASS_ERROR_POSITION);
  } else if (mode == BASS_POS_BYTE) {
    frame = pos / 8;
    uint64_t length = lengthOf(*ch);
    if (length == kUnknownLength)
      return fail(BASS_ERROR_NOTAVAIL);
    if (frame >= length)
      return fail(BASS_ERROR_POSITION);
  } else {
    return fail(BASS_ERROR_NOTAVAIL);
  }
  if (!ch->source || !ch->source->seekTo(frame))
    return fail(BASS_ERROR_NOTAVAIL);
  ch->position = frame;
  ch->ended = false;
  resetStage(*ch);
  return succeed();
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return static_cast<QWORD>(-1);
  if (mode == BASS_POS_MUSIC_ORDER) {
    if (!ch->musicOrderCount)
      return fail(BASS_ERROR_NOTAVAIL), static_cast<QWORD>(-1);
    setError(BASS_OK);
    return ch->musicOrderCount();
  }
  uint64_t length = lengthOf(*ch);
  if (mode != BASS_POS_BYTE || length == kUnknownLength)
    return fail(BASS_ERROR_NOTAVAIL), static_cast<QWORD>(-1);
  setError(BASS_OK);
  return length * 8;
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return -1;
  if (pos == static_cast<QWORD>(-1))
    return fail(BASS_ERROR_ILLPARAM), -1.0;
  setError(BASS_OK);
  int rate = ch->source ? ch->source->rate() : 44100;
  return static_cast<double>(pos / 8) / rate;
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return static_cast<QWORD>(-1);
  if (!(pos >= 0))
    return fail(BASS_ERROR_ILLPARAM), static_cast<QWORD>(-1);
  setError(BASS_OK);
  int rate = ch->source ? ch->source->rate() : 44100;
  return static_cast<QWORD>(std::llround(pos * rate)) * 8;
}

DWORD BASS_ChannelGetLevel(DWORD handle) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return static_cast<DWORD>(-1);
  if (ch->state != PlayState::Playing)
    return fail(BASS_ERROR_NOPLAY), static_cast<DWORD>(-1);
  setError(BASS_OK);
  return ch->level.load(std::memory_order_relaxed);
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
  Guard guard(engine().lock);  // keeps the channel while its tags are read
  Channel* ch = lookup(handle);
  if (!ch)
    return nullptr;
  const char* text = ch->tags.get(tags);
  if (!text)
    return fail(BASS_ERROR_NOTAVAIL), nullptr;
  setError(BASS_OK);
  return text;
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
  auto& e = engine();
  Guard guard(e.lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return 0;
  DWORD kind = type & 0x00ffffffu;
  if (kind != BASS_SYNC_END && kind != BASS_SYNC_META && kind != BASS_SYNC_STALL)
    return fail(BASS_ERROR_ILLTYPE), 0;
  if (!proc)
    return fail(BASS_ERROR_ILLPARAM), 0;
  HSYNC id = e.newHandle();
  ch->syncs.push_back(Sync{id, kind, (type & BASS_SYNC_ONETIME) != 0, param, proc, user});
  setError(BASS_OK);
  return id;
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  auto it = std::find_if(ch->syncs.begin(), ch->syncs.end(), [&](const Sync& s) { return s.id == sync; });
  if (it == ch->syncs.end())
    return fail(BASS_ERROR_HANDLE);
  ch->syncs.erase(it);
  return succeed();
}

HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority) {
  auto& e = engine();
  Guard guard(e.lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return 0;
  if (!proc)
    return fail(BASS_ERROR_ILLPARAM), 0;
  HDSP id = e.newHandle();
  auto at = std::find_if(ch->dsps.begin(), ch->dsps.end(), [&](const Dsp& d) { return d.priority < priority; });
  ch->dsps.insert(at, Dsp{id, proc, user, priority});
  setError(BASS_OK);
  return id;
}

BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp) {
  Guard guard(engine().lock);
  Channel* ch = lookup(handle);
  if (!ch)
    return FALSE;
  auto it = std::find_if(ch->dsps.begin(), ch->dsps.end(), [&](const Dsp& d) { return d.id == dsp; });
  if (it == ch->dsps.end())
    return fail(BASS_ERROR_HANDLE);
  ch->dsps.erase(it);
  return succeed();
}

}  // extern "C"
