// The three-band equalizer: its coefficients against the cookbook formulas in double
// precision, its measured response to sine waves, its behaviour on silence and absurd gains, its
// life on an engine channel (attach, detach, re-attach, freeing in either order), and the script
// class DspEffectEQ with its DspEffect interface, including the sequences that would leave the
// engine calling freed memory.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <thread>
#include <vector>

#include "app/dsp_effect_eq.h"
#include "app_test_support.h"
#include "audio_script_fixture.h"

using namespace ZTools;

namespace {

struct Coeffs {
  double c[5];
};

// The cookbook formulas in double precision.
Coeffs Reference(int type, double g, double f, double fs, double bw) {
  double A = std::pow(10.0, g / 40), w0 = 2 * M_PI * f / fs, sn = std::sin(w0), cs = std::cos(w0);
  double alpha = sn * std::sinh(std::log(2.0) / 2 * bw * w0 / sn), beta = std::sqrt(A + A);
  double b0, b1, b2, a0, a1, a2;
  if (type == kBiquadPeaking) {
    b0 = 1 + alpha * A, b1 = -2 * cs, b2 = 1 - alpha * A, a0 = 1 + alpha / A, a1 = -2 * cs, a2 = 1 - alpha / A;
  } else if (type == kBiquadLowShelf) {
    b0 = A * ((A + 1) - (A - 1) * cs + beta * sn), b1 = 2 * A * ((A - 1) - (A + 1) * cs);
    b2 = A * ((A + 1) - (A - 1) * cs - beta * sn), a0 = (A + 1) + (A - 1) * cs + beta * sn;
    a1 = -2 * ((A - 1) + (A + 1) * cs), a2 = (A + 1) + (A - 1) * cs - beta * sn;
  } else {
    b0 = A * ((A + 1) + (A - 1) * cs + beta * sn), b1 = -2 * A * ((A - 1) + (A + 1) * cs);
    b2 = A * ((A + 1) + (A - 1) * cs - beta * sn), a0 = (A + 1) - (A - 1) * cs + beta * sn;
    a1 = 2 * ((A - 1) - (A + 1) * cs), a2 = (A + 1) - (A - 1) * cs - beta * sn;
  }
  return {{b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0}};
}

double MagnitudeDb(const Coeffs& k, double f, double fs) {
  std::complex<double> z1 = std::polar(1.0, -2 * M_PI * f / fs), z2 = z1 * z1;
  return 20 * std::log10(std::abs((k.c[0] + k.c[1] * z1 + k.c[2] * z2) / (1.0 + k.c[3] * z1 + k.c[4] * z2)));
}

const int kTypes[3] = {kBiquadLowShelf, kBiquadPeaking, kBiquadHighShelf};
const double kFreqs[3] = {100, 1000, 10000};

// Gain in dB of the equalizer for a sine of `f` Hz, measured after the filters settled.
double MeasureGainDb(CDspEffectEQ& eq, double f, double fs) {
  const size_t n = static_cast<size_t>(fs);  // one second
  std::vector<float> buf(2 * n);
  for (size_t i = 0; i < n; ++i)
    buf[2 * i] = buf[2 * i + 1] = 0.25f * static_cast<float>(std::sin(2 * M_PI * f * i / fs));
  std::vector<float> in = buf;
  eq.Process(buf.data(), n);
  double eIn = 0, eOut = 0;
  for (size_t i = n / 2; i < n; ++i) {
    eIn += in[2 * i] * in[2 * i];
    eOut += buf[2 * i] * buf[2 * i];
    EXPECT_EQ(buf[2 * i], buf[2 * i + 1]) << "both sides filter alike";
  }
  return 10 * std::log10(eOut / eIn);
}

}  // namespace

TEST(BiquadTest, CoefficientsMatchCookbookFormulasInDouble) {
  for (int t : kTypes) {
    for (double g : {-12.0, -3.0, 0.0, 6.0, 12.0, 30.0}) {
      for (double fs : {22050.0, 44100.0, 48000.0}) {
        for (double f : {100.0, 1000.0, 10000.0}) {
          Biquad b;
          BiquadDesign(b, t, static_cast<float>(g), static_cast<float>(f), static_cast<float>(fs), 2.0f);
          Coeffs r = Reference(t, g, f, fs, 2.0);
          float got[5] = {b.c0, b.c1, b.c2, b.c3, b.c4};
          for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(got[i], r.c[i], 2e-5 * std::max(1.0, std::fabs(r.c[i])))
                << "type " << t << " gain " << g << " f " << f << " fs " << fs << " c" << i;
        }
      }
    }
  }
}

TEST(BiquadTest, NewTypeOrRateClearsStateButGainChangeKeepsIt) {
  Biquad b;
  BiquadDesign(b, kBiquadPeaking, 6, 1000, 44100, 2);
  EXPECT_EQ(b.type, kBiquadPeaking);
  EXPECT_EQ(b.rate, 44100.0f);
  for (int i = 0; i < 10; ++i)
    BiquadStep(b, 0.5f);
  float y1 = b.y1;
  ASSERT_NE(y1, 0.0f);
  BiquadDesign(b, kBiquadPeaking, -6, 1000, 44100, 2);
  EXPECT_EQ(b.y1, y1) << "a gain change keeps the state";
  BiquadDesign(b, kBiquadPeaking, -6, 1000, 48000, 2);
  EXPECT_EQ(b.y1, 0.0f) << "a new rate clears it";
  for (int i = 0; i < 10; ++i)
    BiquadStep(b, 0.5f);
  float c0 = b.c0;
  BiquadDesign(b, 9, 3, 1000, 48000, 2);  // an unknown type: coefficients stay
  EXPECT_EQ(b.c0, c0);
  BiquadDesign(b, kBiquadLowShelf, 6, 100, 48000, 2);
  Biquad good = b;
  BiquadDesign(b, kBiquadLowShelf, 4000, 100, 48000, 2);  // not finite: the last design stays
  EXPECT_EQ(b.c0, good.c0);
  EXPECT_EQ(b.c4, good.c4);
}

TEST(EqualizerTest, ZeroGainIsIdentityApartFromTheOffset) {
  CDspEffectEQ eq;
  for (int p = 0; p < 3; ++p)
    eq.SetParameter(p, 0.0f);
  std::vector<float> buf(2 * 4096);
  for (size_t i = 0; i < buf.size(); ++i)
    buf[i] = static_cast<float>(std::sin(i * 0.37)) * 0.8f;
  std::vector<float> in = buf;
  eq.Process(buf.data(), buf.size() / 2);
  // Single-precision rounding, lifted by the shelves' poles close to the unit circle, stays
  // below -80 dB.
  float worst = 0;
  for (size_t i = 0; i < buf.size(); ++i)
    worst = std::max(worst, std::fabs(buf[i] - in[i]));
  EXPECT_LT(worst, 1e-4f);
  // On silence the output is the offsets alone: tiny, alternating, never denormal.
  CDspEffectEQ quiet;
  for (int p = 0; p < 3; ++p)
    quiet.SetParameter(p, 0.0f);
  std::vector<float> silence(2 * 8, 0.0f);
  quiet.Process(silence.data(), 8);
  EXPECT_LT(silence[0], 0.0f) << "the first sample gets the negative offsets";
  for (float v : silence) {
    EXPECT_LT(std::fabs(v), 1e-18f);
    EXPECT_NE(std::fpclassify(v), FP_SUBNORMAL);
  }
}

TEST(EqualizerTest, MeasuredResponseFollowsTheDesign) {
  const double fs = 44100;
  for (int band = 0; band < 3; ++band) {
    for (float gain : {-12.0f, 12.0f}) {
      CDspEffectEQ eq;
      for (int p = 0; p < 3; ++p)
        eq.SetParameter(p, 0.0f);  // a band is designed when first set
      eq.SetParameter(band, gain);
      for (double f : kFreqs) {
        double expected = MagnitudeDb(Reference(kTypes[band], gain, kFreqs[band], fs, 2.0), f, fs);
        double measured = MeasureGainDb(eq, f, fs);
        EXPECT_NEAR(measured, expected, 0.1) << "band " << band << " gain " << gain << " at " << f << " Hz";
      }
    }
  }
  // All three bands boosted: each band's own frequency is lifted by most of its gain.
  CDspEffectEQ eq;
  for (int p = 0; p < 3; ++p)
    eq.SetParameter(p, 12.0f);
  EXPECT_GT(MeasureGainDb(eq, 1000, fs), 10.0);
  EXPECT_GT(MeasureGainDb(eq, 40, fs), 10.0);
  EXPECT_GT(MeasureGainDb(eq, 18000, fs), 10.0);
}

TEST(EqualizerTest, SilenceAndExtremeGainsStayFiniteAndNormal) {
  for (float gain : {12.0f, -12.0f, 30.0f, -60.0f, 1e6f, -1e6f, NAN}) {
    CDspEffectEQ eq;
    for (int p = 0; p < 3; ++p)
      eq.SetParameter(p, 12.0f);  // a good design first
    for (int p = 0; p < 3; ++p)
      eq.SetParameter(p, gain);
    std::vector<float> buf(2 * 44100);
    for (size_t i = 0; i < 2000; ++i)
      buf[2 * i] = buf[2 * i + 1] = (i % 50 < 25) ? 0.9f : -0.9f;
    eq.Process(buf.data(), buf.size() / 2);  // a burst, then a second of silence
    for (size_t i = 0; i < buf.size(); ++i) {
      ASSERT_TRUE(std::isfinite(buf[i])) << "gain " << gain << " sample " << i;
      ASSERT_NE(std::fpclassify(buf[i]), FP_SUBNORMAL) << "gain " << gain << " sample " << i;
    }
    for (int side = 0; side < 2; ++side)
      for (int p = 0; p < 3; ++p) {
        const Biquad& f = eq.Filter(side, p);
        for (float v : {f.x1, f.x2, f.y1, f.y2})
          EXPECT_NE(std::fpclassify(v), FP_SUBNORMAL) << gain;
      }
  }
  // A NaN or infinite input sample does not poison the filters for good.
  CDspEffectEQ eq;
  eq.SetParameter(1, 6.0f);
  std::vector<float> buf(2 * 256, 0.1f);
  buf[10] = NAN;
  buf[11] = INFINITY;
  eq.Process(buf.data(), 128);
  std::vector<float> next(2 * 256, 0.1f);
  eq.Process(next.data(), 256);
  for (float v : next)
    ASSERT_TRUE(std::isfinite(v));
}

// --- On an engine channel (the silent device) -----------------------------------------------

class EqualizerChannelTest : public apptest::EngineTest {};

namespace {

// A 48 kHz user stream of a 1 kHz sine; `frames` counts what the engine pulled.
struct SineSource {
  std::atomic<uint64_t> frames{0};
  static DWORD CALLBACK Proc(HSTREAM, void* buffer, DWORD length, void* user) {
    auto* self = static_cast<SineSource*>(user);
    float* s = static_cast<float*>(buffer);
    DWORD n = length / 8;
    uint64_t at = self->frames.load();
    for (DWORD i = 0; i < n; ++i)
      s[2 * i] = s[2 * i + 1] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 1000 * (at + i) / 48000.0));
    self->frames += n;
    return length;
  }
};

// Counts calls and copies what the equalizer left in the buffer (priority below it).
struct Tap {
  std::atomic<int> calls{0};
  std::atomic<float> peak{0};
  static void CALLBACK Proc(HDSP, DWORD, void* buffer, DWORD length, void* user) {
    auto* self = static_cast<Tap*>(user);
    const float* s = static_cast<const float*>(buffer);
    float p = 0;
    for (DWORD i = 0; i < length / 4; ++i)
      p = std::max(p, std::fabs(s[i]));
    self->peak = p;
    ++self->calls;
  }
};

}  // namespace

TEST_F(EqualizerChannelTest, AttachedEffectFiltersTheChannelAndDetachesCleanly) {
  SineSource src;
  HSTREAM stream = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT, SineSource::Proc, &src);
  ASSERT_NE(stream, 0u);
  Tap tap;
  ASSERT_NE(BASS_ChannelSetDSP(stream, Tap::Proc, &tap, -10), 0u);  // runs after the effect
  BASS_SetConfig(BASS_CONFIG_FLOATDSP, 0);
  CDspEffectEQ eq;
  eq.SetParameter(1, -12.0f);  // the 1 kHz band cut
  eq.Attach(stream);
  ASSERT_TRUE(eq.IsAttached());
  EXPECT_EQ(eq.AttachedChannel(), stream);
  EXPECT_EQ(eq.SampleRate(), 48000.0f) << "designed at the channel's rate";
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_FLOATDSP), 1u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
  ASSERT_TRUE(audiotest::waitFor([&] { return tap.calls > 20; }, 5000));
  EXPECT_LT(tap.peak.load(), 0.3f * 0.3f) << "about -12 dB at 1 kHz";  // 0.3 * 10^(-12/20) = 0.075
  // A gain change while playing reaches the callback without clearing the filters.
  eq.SetParameter(1, 0.0f);
  int seen = tap.calls;
  ASSERT_TRUE(audiotest::waitFor([&] { return tap.calls > seen + 10; }, 5000));
  EXPECT_NEAR(tap.peak.load(), 0.3f, 0.02f);
  // Attach again: the old callback is removed first, so there is only ever one.
  eq.SetParameter(1, 12.0f);
  eq.Attach(stream);
  seen = tap.calls;
  ASSERT_TRUE(audiotest::waitFor([&] { return tap.calls > seen + 10; }, 5000));
  EXPECT_NEAR(tap.peak.load(), 0.3f * 3.98f, 0.1f) << "one +12 dB pass, not two";
  eq.Detach();
  seen = tap.calls;
  ASSERT_TRUE(audiotest::waitFor([&] { return tap.calls > seen + 10; }, 5000));
  EXPECT_NEAR(tap.peak.load(), 0.3f, 0.01f) << "detached: the signal passes untouched";
  eq.Detach();
  BASS_StreamFree(stream);
}

TEST_F(EqualizerChannelTest, AttachFailsQuietlyOnABadHandle) {
  CDspEffectEQ eq;
  eq.SetParameter(0, 30.0f);    // not clamped; designed at 44100 until attached
  eq.SetParameter(1000, 5.0f);  // ignored
  EXPECT_EQ(eq.GetParameter(1000), 0.0f);
  EXPECT_STREQ(eq.GetParameterName(1000), "");
  eq.Attach(0);
  EXPECT_FALSE(eq.IsAttached());
  eq.Attach(0x7ffffff0);
  EXPECT_FALSE(eq.IsAttached());
  EXPECT_EQ(eq.SampleRate(), 44100.0f);
  EXPECT_NEAR(eq.Filter(0, 0).c0, Reference(kBiquadLowShelf, 30, 100, 44100, 2).c[0], 1e-4);
  eq.Detach();
  eq.Detach();  // harmless twice
  EXPECT_FALSE(eq.IsAttached());
}

TEST_F(EqualizerChannelTest, FreeingEitherSideFirstIsSafe) {
  for (int round = 0; round < 20; ++round) {
    SineSource src;
    HSTREAM stream = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, SineSource::Proc, &src);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    {
      auto eq = std::make_unique<CDspEffectEQ>();
      eq->Attach(stream);
      ASSERT_TRUE(eq->IsAttached());
      // Gain changes racing the callback on the mixer thread.
      for (int k = 0; k < 50; ++k)
        eq->SetParameter(k % 3, static_cast<float>(k % 25 - 12));
      if (round % 2) {
        BASS_StreamFree(stream);  // the script freed the channel first
        eq->Detach();             // the engine handle is dead: nothing is read
        eq.reset();
      } else {
        eq.reset();  // destroyed while attached: detaches before its memory goes
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        BASS_StreamFree(stream);
      }
    }
  }
}

// --- The script class DspEffectEQ ---------------------------------------------------------------

namespace {

const char kEqScript[] = R"(
import Bass;
import DspEffectEQ;
function DspEffectEQ make() { return new DspEffectEQ(); }
function string describe(DspEffect e) {
    string s = e.GetEffectName() + "|" + e.GetNumParameters();
    for (int p = -1; p < 4; p++)
        s = s + "|" + e.GetParameterName(p) + ":" + e.GetParameterMin(p) + ":" + e.GetParameterMax(p);
    return s;
}
function set(DspEffectEQ e, const int p, const float v) { e.SetParameter(p, v); }
function float get(DspEffectEQ e, const int p) { return e.GetParameter(p); }
function attach(DspEffectEQ e, Channel c) { e.Attach(c); }
function detach(DspEffectEQ e) { e.Detach(); }
function Channel tone(const string name) {
    Bass::Init();
    Channel c = Bass::StreamCreateFile(name, 1);
    c.Play(0);
    return c;
}
function float level(Channel c) { return c.GetLevelL(); }
function int active(Channel c) { return c.IsActive(); }
function free(Channel c) { c.Free(); }
)";

std::string KiloHertzTone() {
  return audiotest::makeAudio("eq-tone-1k.wav", "-f lavfi -i sine=frequency=1000:duration=4 -ac 2");
}

class EqualizerScriptTest : public apptest::AudioScriptTest {
 protected:
  void SetUp() override {
    AudioScriptTest::SetUp();
    ASSERT_TRUE(Load(kEqScript));
  }
  // The channel's peak level averaged over a few readings, after the filters have settled.
  double Level(ZILHandle* c) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    double sum = 0;
    for (int i = 0; i < 8; ++i) {
      sum += CallFloat("level", c);
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return sum / 8;
  }
};

}  // namespace

TEST_F(EqualizerScriptTest, ParametersThroughTheEffectInterface) {
  ZILHandle* eq = Call("make");
  ASSERT_TRUE(eq && eq->type == TypeId("DspEffectEQ")) << Describe(eq) << log;
  std::string d = CallString("describe", eq);
  EXPECT_EQ(d.substr(0, d.find('|', 10)), "3-Band EQ|3");
  EXPECT_NE(d.find("|:0:0|Low Band:-12:12|Mid Band:-12:12|High Band:-12:12|:0:0"), std::string::npos) << d;
  Call("set", eq, 0, 30.0);  // not clamped
  Call("set", eq, 3, 5.0);   // ignored
  Call("set", eq, 1, -6.5);
  EXPECT_EQ(CallFloat("get", eq, 0), 30.0);
  EXPECT_EQ(CallFloat("get", eq, 1), -6.5);
  EXPECT_EQ(CallFloat("get", eq, 2), 0.0);
  EXPECT_EQ(CallFloat("get", eq, 3), 0.0);
  Call("detach", eq);  // not attached: nothing
}

// How much, how often and when the sound changes is the channel test's; here the script's
// channel reaches the effect, and its Detach ends the filtering.
TEST_F(EqualizerScriptTest, AttachedToAScriptChannelItShapesTheSound) {
  ZILHandle* c = Call("tone", KiloHertzTone().c_str());
  ASSERT_EQ(CallInt("active", c), 1) << log;
  double plain = Level(c);
  ASSERT_GT(plain, 0.05);
  ZILHandle* eq = Call("make");
  Call("set", eq, 1, -12.0);
  Call("attach", eq, c);
  EXPECT_NEAR(Level(c) / plain, 0.25, 0.06) << "-12 dB at the middle band's centre";
  Call("detach", eq);
  EXPECT_NEAR(Level(c) / plain, 1.0, 0.1) << "detached";
}

TEST_F(EqualizerScriptTest, UnsafeSequencesAreSafe) {
  std::string tone = KiloHertzTone();
  // The effect's last reference goes while it is attached to a playing channel.
  ZILHandle* c = Call("tone", tone.c_str());
  ZILHandle* eq = Call("make");
  Call("set", eq, 2, 6.0);
  Call("attach", eq, c);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Drop(eq);
  double plain = Level(c);
  EXPECT_GT(plain, 0.05) << "the channel plays on, unfiltered";

  // The channel is freed under an attached effect, then the effect is detached, attached to the
  // freed channel and finally destroyed.
  ZILHandle* eq2 = Call("make");
  Call("attach", eq2, c);
  Call("free", c);
  Call("detach", eq2);
  Call("attach", eq2, c);
  Drop(c);
  Drop(eq2);

  // Gains changed as fast as a script can while the callback runs, and the effect moved
  // between two channels.
  ZILHandle* a = Call("tone", tone.c_str());
  ZILHandle* b = Call("tone", tone.c_str());
  ZILHandle* eq3 = Call("make");
  Call("attach", eq3, a);
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
  for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
    Call("set", eq3, i % 3, static_cast<double>(i % 25 - 12));
    if (i % 200 == 0)
      Call("attach", eq3, i % 400 ? a : b);
    if (held.size() > 64) {  // results of the calls above
      for (ZILHandle* h : std::vector<ZILHandle*>(held.end() - 32, held.end()))
        Drop(h);
    }
  }
  Call("set", eq3, 0, 0.0);
  Call("set", eq3, 1, 0.0);
  Call("set", eq3, 2, 0.0);
  EXPECT_NEAR(Level(a) / plain, 1.0, 0.15);
  EXPECT_EQ(CallInt("active", a), 1);
}
