// The three-band equalizer: band table, design, attaching to an engine channel and the
// per-block filtering (each side through the high, low and middle band, in that order).
#include "app/dsp_effect_eq.h"

#include <cmath>

namespace ZTools {
namespace {

struct Band {
  const char* name;
  int32_t type;
  float freq;
};
const Band kBandTable[3] = {
    {"Low Band", kBiquadLowShelf, 100.0f},
    {"Mid Band", kBiquadPeaking, 1000.0f},
    {"High Band", kBiquadHighShelf, 10000.0f},
};
const float kBandwidth = 2.0f;

bool ValidBand(int p) { return p >= 0 && p < 3; }

void CopyCoefficients(float* to, const Biquad& f) {
  to[0] = f.c0;
  to[1] = f.c1;
  to[2] = f.c2;
  to[3] = f.c3;
  to[4] = f.c4;
}

void SetCoefficients(Biquad& f, const float* c) {
  f.c0 = c[0];
  f.c1 = c[1];
  f.c2 = c[2];
  f.c3 = c[3];
  f.c4 = c[4];
}

}  // namespace

CDspEffectEQ::~CDspEffectEQ() { Detach(); }

void CDspEffectEQ::SetParameter(int p, float v) {
  if (!ValidBand(p))
    return;
  mGain[p] = v;
  DesignBand(p);
}

float CDspEffectEQ::GetParameter(int p) { return ValidBand(p) ? mGain[p] : 0.0f; }
float CDspEffectEQ::GetParameterMin(int p) { return ValidBand(p) ? -12.0f : 0.0f; }
float CDspEffectEQ::GetParameterMax(int p) { return ValidBand(p) ? 12.0f : 0.0f; }
const char* CDspEffectEQ::GetParameterName(int p) { return ValidBand(p) ? kBandTable[p].name : ""; }

void CDspEffectEQ::DesignBand(int p) {
  const Band& b = kBandTable[p];
  if (!IsAttached()) {
    BiquadDesign(mLeft[p], b.type, mGain[p], b.freq, mSampleRate, kBandwidth);
    BiquadDesign(mRight[p], b.type, mGain[p], b.freq, mSampleRate, kBandwidth);
    std::lock_guard<std::mutex> guard(mPendingLock);
    CopyCoefficients(mPending[p], mLeft[p]);
    return;
  }
  // The live filters belong to the callback: design a copy with the same type and rate (so
  // nothing is cleared) and hand its coefficients over.
  Biquad design;
  design.type = b.type;
  design.rate = mSampleRate;
  {
    std::lock_guard<std::mutex> guard(mPendingLock);
    SetCoefficients(design, mPending[p]);
  }
  BiquadDesign(design, b.type, mGain[p], b.freq, mSampleRate, kBandwidth);
  std::lock_guard<std::mutex> guard(mPendingLock);
  CopyCoefficients(mPending[p], design);
  mPendingSet.store(true, std::memory_order_release);
}

void CDspEffectEQ::AdoptPending() {
  std::unique_lock<std::mutex> guard(mPendingLock, std::try_to_lock);
  if (!guard.owns_lock())
    return;  // the script thread is writing: next block
  mPendingSet.store(false, std::memory_order_relaxed);
  for (int p = 0; p < kBands; ++p) {
    SetCoefficients(mLeft[p], mPending[p]);
    SetCoefficients(mRight[p], mPending[p]);
  }
}

void CDspEffectEQ::Attach(HCHANNEL channel) {
  Detach();
  float rate = 0;
  if (!BASS_ChannelGetAttribute(channel, BASS_ATTRIB_FREQ, &rate))
    return;
  mSampleRate = rate;
  if (!BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1))
    return;
  mChannel = channel;
  for (int p = 0; p < kBands; ++p) {
    for (Biquad* f : {&mLeft[p], &mRight[p]}) {
      f->ClearState();
      f->type = kBandTable[p].type;
      f->rate = mSampleRate;
      BiquadDesign(*f, kBandTable[p].type, mGain[p], kBandTable[p].freq, mSampleRate, kBandwidth);
    }
  }
  {
    std::lock_guard<std::mutex> guard(mPendingLock);
    for (int p = 0; p < kBands; ++p)
      CopyCoefficients(mPending[p], mLeft[p]);
    mPendingSet.store(false, std::memory_order_relaxed);
  }
  mDsp = BASS_ChannelSetDSP(channel, DspCallback, this, 0);
  if (!mDsp)
    mChannel = 0;
}

void CDspEffectEQ::Detach() {
  if (mChannel != 0 && mDsp != 0)
    BASS_ChannelRemoveDSP(mChannel, mDsp);
  // A channel freed by the script took its DSP with it; either way the callback is gone now.
  mChannel = 0;
  mDsp = 0;
  if (mPendingSet.load(std::memory_order_acquire))
    AdoptPending();
}

void CDspEffectEQ::Process(float* s, size_t frames) {
  if (mPendingSet.load(std::memory_order_acquire))
    AdoptPending();
  Biquad* L = mLeft;
  Biquad* R = mRight;
  for (size_t i = 0; i < frames; ++i) {
    float l = s[2 * i], r = s[2 * i + 1];
    l = BiquadStep(L[kHighBand], l);
    l = BiquadStep(L[kLowBand], l);
    l = BiquadStep(L[kMidBand], l);
    r = BiquadStep(R[kHighBand], r);
    r = BiquadStep(R[kLowBand], r);
    r = BiquadStep(R[kMidBand], r);
    s[2 * i] = l;
    s[2 * i + 1] = r;
  }
  // A non-finite input sample would stay in the recursion for ever: start such a filter over.
  for (int p = 0; p < kBands; ++p) {
    if (!std::isfinite(L[p].y1) || !std::isfinite(L[p].y2) || !std::isfinite(L[p].x1) || !std::isfinite(L[p].x2))
      L[p].ClearState();
    if (!std::isfinite(R[p].y1) || !std::isfinite(R[p].y2) || !std::isfinite(R[p].x1) || !std::isfinite(R[p].x2))
      R[p].ClearState();
  }
}

void CALLBACK CDspEffectEQ::DspCallback(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  if (!buffer || !user)
    return;
  static_cast<CDspEffectEQ*>(user)->Process(static_cast<float*>(buffer), length / 8);
}

}  // namespace ZTools
