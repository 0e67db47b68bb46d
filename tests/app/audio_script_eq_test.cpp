// The equalizer through a runtime: the DspEffectEQ class and its DspEffect interface, the sound
// of an attached equalizer, and the sequences that would leave the engine calling freed memory
// (effect freed while attached, attached twice, its channel freed first, gains changed while
// playing).
#include <gtest/gtest.h>

#include <thread>

#include "app_test_support.h"
#include "audio_script_fixture.h"

using apptest::AudioScriptTest;

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
  return apptest::makeAudio("eq-tone-1k.wav", "-f lavfi -i sine=frequency=1000:duration=4 -ac 2");
}

}  // namespace

class EqualizerScriptTest : public AudioScriptTest {
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
  Call("detach", eq);
}

TEST_F(EqualizerScriptTest, AttachedEqualizerShapesTheSoundOnce) {
  ZILHandle* c = Call("tone", KiloHertzTone().c_str());
  ASSERT_EQ(CallInt("active", c), 1) << log;
  double plain = Level(c);
  ASSERT_GT(plain, 0.05);
  ZILHandle* eq = Call("make");
  Call("set", eq, 1, -12.0);
  Call("attach", eq, c);
  double cut = Level(c);
  EXPECT_NEAR(cut / plain, 0.25, 0.06) << "-12 dB at the middle band's centre";
  Call("attach", eq, c);  // again: the first callback goes, so the cut is not applied twice
  EXPECT_NEAR(Level(c) / plain, 0.25, 0.06);
  Call("set", eq, 1, 0.0);  // a change while playing
  EXPECT_NEAR(Level(c) / plain, 1.0, 0.1);
  Call("detach", eq);
  Call("set", eq, 1, -12.0);
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
