// CDspEffectEQ: a three-band equalizer (low shelf 100 Hz, peaking 1 kHz, high shelf 10 kHz,
// gains in dB) that runs as a DSP callback of one engine channel on float stereo frames.
//
// Threads: SetParameter, Attach and Detach run on the script thread; the callback runs on the
// engine's mixer thread. While attached the callback alone owns the live filters; the script
// thread publishes new coefficients under mPendingLock and the callback adopts them at the
// start of a block only when it can take that lock without waiting, so it never sees a
// half-written band and never blocks. The engine removes a DSP under its mixer lock, so once
// Detach returns the callback is not running and will not run again.
#pragma once

#include <atomic>
#include <mutex>

#include "app/biquad.h"
#include "app/dsp_effect.h"

namespace ZTools {

class CDspEffectEQ : public CDspEffect {
 public:
  enum {
    kLowBand = 0,
    kMidBand = 1,
    kHighBand = 2,
    kBands = 3
  };

  CDspEffectEQ() = default;
  ~CDspEffectEQ() override;  // detaches first
  CDspEffectEQ(const CDspEffectEQ&) = delete;
  CDspEffectEQ& operator=(const CDspEffectEQ&) = delete;

  const char* GetEffectName() override { return "3-Band EQ"; }
  int GetNumParameters() override { return kBands; }
  void SetParameter(int p, float v) override;
  float GetParameter(int p) override;
  float GetParameterMin(int p) override;
  float GetParameterMax(int p) override;
  const char* GetParameterName(int p) override;
  // Detaches from any earlier channel first; does nothing when the channel's rate cannot be
  // read or float DSP cannot be enabled.
  void Attach(HCHANNEL channel) override;
  void Detach() override;

  bool IsAttached() const { return mDsp != 0; }
  HCHANNEL AttachedChannel() const { return mChannel; }
  float SampleRate() const { return mSampleRate; }
  // The filters of one side (0 left, 1 right), low, middle, high; for inspection while detached.
  const Biquad& Filter(int side, int band) const { return side ? mRight[band] : mLeft[band]; }

  // The engine's DSP callback: `buffer` holds `length` bytes of interleaved stereo float.
  static void CALLBACK DspCallback(HDSP handle, DWORD channel, void* buffer, DWORD length, void* user);
  // Filters `frames` interleaved stereo frames in place (what the callback does).
  void Process(float* samples, size_t frames);

 private:
  void DesignBand(int p);
  void AdoptPending();

  Biquad mLeft[kBands];
  Biquad mRight[kBands];
  HCHANNEL mChannel = 0;  // the engine's handle, never the script's Channel object
  HDSP mDsp = 0;
  float mSampleRate = 44100.0f;
  float mGain[kBands] = {0, 0, 0};

  std::mutex mPendingLock;  // guards mPending; held for a copy of 60 bytes
  float mPending[kBands][5] = {};
  std::atomic<bool> mPendingSet{false};
};

}  // namespace ZTools
